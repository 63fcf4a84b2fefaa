// The table of controls: for every knob, its name as velmora-render and the
// plugin write it, its range, start value, the rule from its value to the
// sound parameter it sets and to the text of its label; and for the warp
// canvases, the rule between a point and its keyframe. The window, the
// renderer's options, the plugin, the start-up defaults and the tests all
// read it, so adding a knob is one row.
#pragma once

#include "engine/state.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

// How a knob's value becomes its parameter and its label.
enum class KnobRule {
  Pitch,  // value 0..2400: 0..1200 are +0..+1200 cents, 1201..2400 are -1199..-1 cents
  Scaled, // parameter = value x Scale; the label shows the value
  Caption // as Scaled, but the label always reads the knob's Name ("Mix")
};

struct KnobControl {
  const char* Option;  // velmora-render's option; with '_' for '-', the plugin's port symbol
  const char* Name;    // what the knob is called where it is named
  const char* Meaning; // for help texts: what the value sets, with its unit
  int Min, Max;        // knob value range
  float StartAngle;    // degrees clockwise from 12 o'clock at start-up
  int StartValue;      // the value that angle gives (MapToRange)
  KnobRule Rule;
  double Scale;
  std::atomic<double> EngineState::*Parameter;
  int X, Y; // canvas top-left on the window, pixels
};

// Window order; the index is the knob's number.
inline constexpr std::array<KnobControl, 7> kKnobControls = {{
    {"osc1-pitch", "Osc 1", "pitch offset of oscillator 1 in cents", 0, 2400, 0.0f, 0,
     KnobRule::Pitch, 0, &EngineState::Osc1Pitch, 40, 50},
    {"osc2-pitch", "Osc 2", "pitch offset of oscillator 2 in cents", 0, 2400, 0.0f, 0,
     KnobRule::Pitch, 0, &EngineState::Osc2Pitch, 40, 170},
    {"mix", "Mix", "depth of the mode's combination", 0, 100, 180.0f, 50, KnobRule::Caption, 1,
     &EngineState::MixAmount, 40, 290},
    {"attack", "Attack", "attack time setting (1: 0.1 ms, 12: 0.3 ms, 100: 3 s, exponential)", 1,
     100, 40.0f, 12, KnobRule::Scaled, 20, &EngineState::Attack, 240, 50},
    {"decay", "Decay", "decay time in twentieths of a second (1: 50 ms, 100: 5 s)", 1, 100, 70.0f,
     20, KnobRule::Scaled, 50, &EngineState::Decay, 340, 50},
    {"sustain", "Sustain", "sustain level in percent", 0, 100, 180.0f, 50, KnobRule::Scaled, 1,
     &EngineState::Sustain, 440, 50},
    {"release", "Release", "release time setting (1: 1 ms, 60: 0.17 s, 100: 5 s, exponential)", 1,
     100, 215.0f, 60, KnobRule::Scaled, 50, &EngineState::Release, 540, 50},
}};
constexpr int kOsc1PitchKnob = 0, kOsc2PitchKnob = 1, kMixKnob = 2, kAttackKnob = 3, kDecayKnob = 4,
              kSustainKnob = 5, kReleaseKnob = 6;
constexpr int kKnobCount = static_cast<int>(kKnobControls.size());
constexpr int kLastKnob = kKnobCount - 1;

// The parameter a knob value sets.
double KnobParameter(const KnobControl& knob, int value);
// The value as the window shows it in units: the signed offset in cents for
// a pitch knob, the value itself otherwise; and back.
int ShownKnobValue(const KnobControl& knob, int value);
int KnobValueFromShown(const KnobControl& knob, int shown);
int ShownMin(const KnobControl& knob);
int ShownMax(const KnobControl& knob);
// The value label's text.
std::string KnobLabel(const KnobControl& knob, int value);

// Warp canvases: 200 x 200 pixels, x to the right, y downward. A point at
// (x, y) is the keyframe Out = x * 2.5, In = y / 2 (percent).
constexpr int kWarpCanvasSide = 200;
constexpr int kWarpPoints = 4;
inline double WarpOutFromX(double x) { return x * 2.5; }
inline double WarpInFromY(double y) { return y / 2; }
inline double XFromWarpOut(double out) { return out / 2.5; }
inline double YFromWarpIn(double in) { return in * 2; }
// Start-up keyframes of both oscillators, keyframes 1..4.
inline constexpr double kStartWarpIn[kWarpPoints] = {95, 70, 5, 90};
inline constexpr double kStartWarpOut[kWarpPoints] = {20, 500, 200, 400};

// Sets keyframe k (0..3) of oscillator osc (0 or 1) from a canvas point: Out
// first, then In, as the audio thread may read either between the two.
void SetWarpKeyframe(EngineState& s, int osc, int k, double x, double y);

// The engine's part of the start-up defaults: every field cleared, then the
// sound parameters from the knobs' start values, the keyframes, the knees and
// the note names. MixMode stays 0 until the mode selector is drawn.
void InitEngineDefaults(EngineState& s);

} // namespace velmora
