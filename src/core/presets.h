// Factory sounds: settings of every control, in the units the window shows,
// that the plugin lists as presets and velmora-render takes by name. Each
// one shows a side of the synth: the travelling warp knee, each of the three
// modes, and hard sync.
#pragma once

#include "core/controls.h"

#include <array>
#include <string_view>

namespace velmora {

struct Preset {
  const char* Name;  // lowercase and dashes: velmora-render's --preset, the preset URI's end
  const char* Label; // what a host lists
  // Knobs in window order as shown: pitch offsets in cents (-1199..1200),
  // then Mix, Attack, Decay, Sustain, Release.
  std::array<int, kKnobCount> Knobs;
  int Mode; // 1 "-Add", 2 "-FM", 3 "-AM"
  bool Sync;
  // Warp points on their canvases, pixels 0..200: [oscillator][keyframe] = {x, y}.
  // x sets the knee's Out, y its In (core/controls.h); x 20, y 100 is the
  // unbent sine.
  int Points[2][kWarpPoints][2];
};

// clang-format off
inline constexpr std::array<Preset, 8> kPresets = {{
    // The knee sweeps from a plain sine to five bent cycles and back while
    // the level rises and falls: the warp on its own.
    {"warp-sweep", "Warp Sweep", {0, 0, 50, 70, 60, 60, 70}, 1, false,
     {{{20, 100}, {200, 40}, {60, 100}, {20, 100}}, {{20, 100}, {200, 40}, {60, 100}, {20, 100}}}},
    // Bright at the pluck, darkening to a sine as it dies away.
    {"pluck", "Pluck", {0, 0, 100, 1, 25, 0, 30}, 1, false,
     {{{200, 20}, {160, 30}, {20, 100}, {20, 100}}, {{20, 100}, {20, 100}, {20, 100}, {20, 100}}}},
    // Two slightly detuned oscillators, each warped its own way, slowly.
    {"soft-pad", "Soft Pad", {0, 7, 50, 85, 80, 80, 85}, 1, false,
     {{{20, 100}, {50, 120}, {35, 110}, {20, 100}}, {{20, 100}, {30, 60}, {25, 80}, {20, 100}}}},
    // Oscillator 2 an octave up modulates the phase of oscillator 1.
    {"fm-bell", "FM Bell", {0, 1200, 60, 12, 70, 0, 80}, 2, false,
     {{{20, 100}, {20, 100}, {20, 100}, {20, 100}}, {{20, 100}, {20, 100}, {20, 100}, {20, 100}}}},
    // Deep FM whose modulator's warp closes during the decay.
    {"fm-bass", "FM Bass", {-1199, -1199, 45, 1, 30, 40, 20}, 2, false,
     {{{20, 100}, {20, 100}, {20, 100}, {20, 100}}, {{120, 60}, {120, 60}, {20, 100}, {20, 100}}}},
    // Ring modulation of a fifth: inharmonic, metallic.
    {"ring-mod", "Ring Mod", {0, 700, 10, 20, 50, 60, 60}, 3, false,
     {{{20, 100}, {20, 100}, {20, 100}, {20, 100}}, {{20, 100}, {20, 100}, {20, 100}, {20, 100}}}},
    // Full-depth amplitude modulation by a warped sub-octave, kept within
    // full scale (Mix 38 to 49): a growl.
    {"am-growl", "AM Growl", {-1199, 0, 45, 20, 40, 70, 40}, 3, false,
     {{{80, 40}, {160, 40}, {60, 100}, {20, 100}}, {{20, 100}, {20, 100}, {20, 100}, {20, 100}}}},
    // Oscillator 2 alone, a fifth up and hard-synced to oscillator 1.
    {"sync-lead", "Sync Lead", {0, 700, 0, 12, 40, 70, 50}, 1, true,
     {{{20, 100}, {20, 100}, {20, 100}, {20, 100}}, {{20, 100}, {100, 60}, {40, 80}, {20, 100}}}},
}};
// clang-format on

// Whether every setting lies in its control's range: checked at compile time
// below, so a preset no host or velmora-render would accept cannot be built.
constexpr bool PresetInRange(const Preset& p) {
  for (int k = 0; k < kKnobCount; ++k) {
    if (p.Knobs[k] < ShownMin(kKnobControls[k]) || p.Knobs[k] > ShownMax(kKnobControls[k]))
      return false;
  }
  for (const auto& points : p.Points) {
    for (const auto& point : points) {
      for (int v : point) {
        if (v < 0 || v > kWarpCanvasSide)
          return false;
      }
    }
  }
  return p.Mode >= 1 && p.Mode <= kModeCount;
}
constexpr bool PresetsInRange() {
  for (const Preset& p : kPresets) {
    if (!PresetInRange(p))
      return false;
  }
  return true;
}
static_assert(PresetsInRange());

// The preset of that name, or none.
inline const Preset* FindPreset(std::string_view name) {
  for (const Preset& p : kPresets) {
    if (name == p.Name)
      return &p;
  }
  return nullptr;
}

} // namespace velmora
