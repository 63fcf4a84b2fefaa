// Fixed identifiers by which the window's logic and the program's event loop
// address the window's controls. Knob canvases, knob value labels and group boxes get
// identifiers from the toolkit instead.
#pragma once

namespace velmora {

constexpr int kAboutMenuItem = 1; // "About" in the "?" menu
constexpr int kMidiPortList = 3;  // drop-down list of MIDI input ports
constexpr int kModeSelectorCanvas = 0;
constexpr int kOsc1WarpCanvas = 24;
constexpr int kOsc2WarpCanvas = 25;
constexpr int kNoteLabel = 26;
constexpr int kSyncButton = 200;
constexpr int kOsc1GroupButtonCanvas = 201;
constexpr int kOsc2GroupButtonCanvas = 202;

// Fixed labels.
constexpr int kAddLabel = 50;
constexpr int kFmLabel = 51;
constexpr int kAmLabel = 52;
constexpr int kAttackLabel = 62;
constexpr int kDecayLabel = 63;
constexpr int kSustainLabel = 64;
constexpr int kReleaseLabel = 65;
constexpr int kSyncLabel = 66;
constexpr int kOsc1GroupLabel = 67;
constexpr int kOsc2GroupLabel = 68;
constexpr int kOsc1Label = 181;
constexpr int kOsc2Label = 182;
constexpr int kOsc1WarpLabel = 183;
constexpr int kOsc2WarpLabel = 184;

} // namespace velmora
