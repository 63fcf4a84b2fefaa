// Building the one window: menu, port list, labels, group boxes, the
// self-painted controls and their first drawings.
#pragma once

namespace velmora {

constexpr int kClientWidth = 665;
constexpr int kClientHeight = 465;

// Builds and shows the window. Sets MidiDevice from the port list and MixMode
// with the selector's first drawing. Nothing here can stop the program: a
// control that cannot be drawn stays blank, a missing font leaves the
// default one.
void BuildWindow();

} // namespace velmora
