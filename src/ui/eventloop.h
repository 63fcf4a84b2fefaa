// The user-interface thread's main loop: waits for a window event and answers
// it, and runs the knob step on every pass so a dragged knob follows the
// pointer without waiting for events.
#pragma once

#include <string>

namespace velmora {

// Text of the About box, one line per "\n".
std::string AboutText();

// One pass. False once the close event has arrived; the pass that received
// it still runs all of its steps.
bool EventLoopPass();

// Passes until the window is closed.
void RunEventLoop();

// Forgets the remembered event and the last note label shown, as at start-up.
void ResetEventLoop();

} // namespace velmora
