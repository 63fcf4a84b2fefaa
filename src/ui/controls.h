// The three-position mode selector (canvas 0) and the three round toggle
// buttons (canvases 200, 201, 202): their looks and their answer to the
// current event.
#pragma once

#include "ui/window.h"

namespace velmora {

// Outer sizes, pixels. The selector's sunken border takes 2 pixels of each
// side, so its surface and its pointer positions are 16 x 81.
constexpr int kSelectorWidth = 20;
constexpr int kSelectorHeight = 85;
constexpr int kRoundButtonSide = 41;

// Paints the selector with its block at position 1 (top, "-Add"), 2 or 3.
// False, with nothing drawn, when drawing on the canvas cannot begin.
bool DrawModeSelector(tk::Window& w, int position);

// A left press, or a move with the left button held, on the selector sets
// the mode by the pointer's row; the selector is repainted only when the
// position changes, and a position that cannot be drawn is not taken.
void ModeSelectorStep(Window& w, const tk::Event& current);

// Paints a round button's disc in its off or on look. False when drawing
// cannot begin.
bool DrawRoundButton(tk::Window& w, int canvas, bool on);

// Start-up look of a round button: the panel-coloured square behind the disc,
// then the off disc. Later redraws paint only the disc.
bool DrawRoundButtonFirst(tk::Window& w, int canvas, Colour panel);

// A left press on a round button toggles what it stands for (Sync, or a
// warp canvas's group mode) and repaints its disc; a press whose drawing
// cannot begin is dropped.
void RoundButtonStep(Window& w, const tk::Event& current);

} // namespace velmora
