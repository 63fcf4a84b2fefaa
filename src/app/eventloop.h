// The user-interface thread's main loop: sleeps until something happens (a
// window event, a wake from the MIDI thread, a MIDI port notice, a due check)
// and answers it in one pass. The knob step runs on every pass.
#pragma once

#include "app/program.h"

namespace velmora {

// One pass over the program's window. False once the close event has
// arrived; the pass that received it still runs all of its steps.
bool EventLoopPass(Program& p);

// Passes until the window is closed.
void RunEventLoop(Program& p);

// Forgets the last note label shown and the due checks, as at start-up.
void ResetEventLoop();

// Has check run at the end of a pass at least every periodMs while the loop
// runs (nullptr: nothing). One check at a time.
void SetPeriodicCheck(int periodMs, void (*check)());

} // namespace velmora
