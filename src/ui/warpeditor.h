// The two warp canvases (24 for oscillator 1, 25 for oscillator 2): four
// draggable points per oscillator whose canvas positions are the warp
// keyframes (Out = x * 2.5 percent, In = y / 2 percent).
#pragma once

#include "ui/ids.h"
#include "ui/toolkit.h"

namespace velmora {

// Paints oscillator osc's (1 or 2) canvas from its points: black ground, four
// dots, three joining lines. False when drawing cannot begin. Also the first
// drawing at window building.
bool DrawWarpCanvas(int osc);

// One pass of oscillator osc's editor: picks up, moves or releases a point
// when the current event belongs to its canvas, and keeps the keyframes equal
// to the points after every change.
void WarpEditorStep(int osc, const tk::Event& current);

} // namespace velmora
