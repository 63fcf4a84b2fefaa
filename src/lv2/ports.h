// The plugin's ports, in index order: MIDI in, audio out, then one control
// for every sound setting of the window, named and ordered as velmora-render
// names its options (a dash in an option becomes an underscore in the port
// symbol, as LV2 symbols must be C identifiers). The plugin and the
// generator of its TTL description both read this table.
#pragma once

#include "core/controls.h"

#include <string>

namespace velmora::lv2 {

constexpr char kPluginUri[] = "https://velmora.example/lv2/velmora";
constexpr char kUiUri[] = "https://velmora.example/lv2/velmora#ui"; // its window

constexpr int kMidiInPort = 0;
constexpr int kAudioOutPort = 1;
// Then every control of the table in its order (core/controls.h): the
// knobs, the mode, sync, and the warp points as velmora-render's
// --oscN-pointK=X,Y.
constexpr int kFirstKnobPort = 2;
constexpr int kModePort = kFirstKnobPort + kModeControl;
constexpr int kSyncPort = kFirstKnobPort + kSyncControl;
constexpr int kFirstPointPort = kFirstKnobPort + kFirstPointControl;
constexpr int kPortCount = kFirstKnobPort + kControlCount;

struct ControlRange {
  float Min, Max, Default;
};

// The warp point a point port belongs to, and whether it is its y.
struct PointPort {
  int Osc, Keyframe;
  bool IsY;
};
inline PointPort PointOf(int port) {
  const int i = port - kFirstPointPort;
  return {i / (2 * kWarpPoints), i / 2 % kWarpPoints, i % 2 == 1};
}

// Range and the window's start-up value of a control port.
inline ControlRange RangeOf(int port) {
  if (port < kModePort) {
    const KnobControl& knob = kKnobControls[port - kFirstKnobPort];
    return {static_cast<float>(ShownMin(knob)), static_cast<float>(ShownMax(knob)),
            static_cast<float>(ShownKnobValue(knob, StartValue(knob)))};
  }
  if (port == kModePort)
    return {1, kModeCount, kStartMode};
  if (port == kSyncPort)
    return {0, 1, 0};
  const PointPort p = PointOf(port);
  const CanvasPoint start = kStartWarpPoints[p.Keyframe];
  return {0, static_cast<float>(kWarpCanvasSide), static_cast<float>(p.IsY ? start.Y : start.X)};
}

// velmora-render's option without its dashes ("osc1-point2" for both
// coordinates of a point), and the port symbol.
inline std::string OptionOf(int port) {
  if (port < kModePort)
    return kKnobControls[port - kFirstKnobPort].Option;
  if (port == kModePort)
    return "mode";
  if (port == kSyncPort)
    return "sync";
  const PointPort p = PointOf(port);
  return "osc" + std::to_string(p.Osc + 1) + "-point" + std::to_string(p.Keyframe + 1);
}
inline std::string SymbolOf(int port) {
  if (port == kMidiInPort)
    return "midi_in";
  if (port == kAudioOutPort)
    return "out";
  std::string symbol = OptionOf(port);
  if (port >= kFirstPointPort)
    symbol += PointOf(port).IsY ? "-y" : "-x";
  for (char& c : symbol) {
    if (c == '-')
      c = '_';
  }
  return symbol;
}

} // namespace velmora::lv2
