// Fixed identifiers by which the event loop, the window building and the MIDI
// input address the window's controls. Knob canvases, knob value labels and
// group boxes get identifiers from the toolkit instead.
#pragma once

namespace velmora {

constexpr int kMainWindow = 0;
constexpr int kMenu = 1000;
constexpr int kAboutMenuItem = 1; // "About" in the "?" menu
constexpr int kMidiPortList = 3;  // drop-down list of MIDI input ports
constexpr int kModeSelectorCanvas = 0;
constexpr int kOsc1WarpCanvas = 24;
constexpr int kOsc2WarpCanvas = 25;
constexpr int kNoteLabel = 26;
constexpr int kSyncButton = 200;
constexpr int kOsc1GroupButtonCanvas = 201;
constexpr int kOsc2GroupButtonCanvas = 202;

} // namespace velmora
