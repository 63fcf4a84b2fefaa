// Turning a knob with the mouse: a left press near a knob's centre grabs it,
// and on every later pass of the event loop, until the button is released,
// the knob points at the mouse (absolute, not relative turning) and its value
// label and parameter follow.
#pragma once

#include "ui/window.h"

namespace velmora {

// One step of the knob logic for the current event: release test, then the
// drag update of the held knob or, with none held, the grab test.
void UpdateKnobDrag(Window& w, const tk::Event& current);

} // namespace velmora
