// The user-interface thread's main loop: sleeps until something happens (a
// window event, a wake from the MIDI thread, a MIDI port notice, a due check)
// and answers it in one pass. The knob step runs on every pass.
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

// Has check run at the end of a pass at least every periodMs while the loop
// runs (nullptr: nothing). One check at a time.
void SetPeriodicCheck(int periodMs, void (*check)());

} // namespace velmora
