// Building the one window: menu, port list, labels, group boxes, the
// self-painted controls and their first drawings.
#pragma once

namespace velmora {

// Control identifiers the event loop and the MIDI input address.
constexpr int kMainWindowId = 0;
constexpr int kMenuId = 1000;
constexpr int kAboutItem = 1;
constexpr int kPortListId = 3;
constexpr int kSelectorId = 0;
constexpr int kWarpCanvas1Id = 24;
constexpr int kWarpCanvas2Id = 25;
constexpr int kNoteLabelId = 26;
constexpr int kSyncButtonId = 200;
constexpr int kGroupButton1Id = 201;
constexpr int kGroupButton2Id = 202;

constexpr int kClientWidth = 665;
constexpr int kClientHeight = 465;

// Builds and shows the window. Sets MidiDevice from the port list and MixMode
// with the selector's first drawing. Nothing here can stop the program: a
// control that cannot be drawn stays blank, a missing font leaves the
// default one.
void BuildWindow();

} // namespace velmora
