// The table of controls: every setting a front end can make (the window's
// controls, velmora-render's options, the plugin's control ports), each
// numbered once, with its range, start value and the rule from its value to
// the sound parameter it sets. Adding a knob is one row.
#pragma once

#include "engine/state.h"

#include <array>
#include <climits>
#include <string>

namespace velmora {

// Rounds to the nearest whole number, halves to even (as std::nearbyint in
// the default rounding mode), also at compile time. NaN gives 0; values
// beyond the int range saturate.
constexpr int RoundToInt(float v) {
  if (!(v == v))
    return 0;
  if (v <= -2147483648.0f)
    return INT_MIN;
  if (v >= 2147483648.0f)
    return INT_MAX;
  if (v >= 8388608.0f || v <= -8388608.0f) // from 2^23 on every float is whole
    return static_cast<int>(v);
  const int whole = static_cast<int>(v);            // towards zero
  const float rest = v - static_cast<float>(whole); // exact below 2^23
  if (rest > 0.5f || (rest == 0.5f && whole % 2 != 0))
    return whole + 1;
  if (rest < -0.5f || (rest == -0.5f && whole % 2 != 0))
    return whole - 1;
  return whole;
}

constexpr int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// x in inLo..inHi mapped linearly onto outLo..outHi, rounded to the nearest
// integer (halves to even) and clamped into the rounded output bounds. The
// two ends are exact, x == inLo never divides by zero, and a NaN x (no
// direction to map) gives the low end.
constexpr int MapToRange(float x, int inLo, int inHi, float outLo, float outHi) {
  if (x == static_cast<float>(inLo))
    return RoundToInt(outLo);
  if (x == static_cast<float>(inHi))
    return RoundToInt(outHi);
  const float q = static_cast<float>(inHi - inLo) / (x - static_cast<float>(inLo));
  const float v = outLo + (outHi - outLo) / q;
  const int lo = RoundToInt(outLo), hi = RoundToInt(outHi);
  if (!(v == v))
    return lo;
  return Clamp(RoundToInt(v), lo, hi);
}

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
  KnobRule Rule;
  double Scale;
  std::atomic<double> EngineState::*Parameter;
};

// Window order; the index is the knob's number.
inline constexpr std::array<KnobControl, 7> kKnobControls = {{
    {"osc1-pitch", "Osc 1", "pitch offset of oscillator 1 in cents", 0, 2400, 0.0f, KnobRule::Pitch,
     0, &EngineState::Osc1Pitch},
    {"osc2-pitch", "Osc 2", "pitch offset of oscillator 2 in cents", 0, 2400, 0.0f, KnobRule::Pitch,
     0, &EngineState::Osc2Pitch},
    {"mix", "Mix", "depth of the mode's combination", 0, 100, 180.0f, KnobRule::Caption, 1,
     &EngineState::MixAmount},
    {"attack", "Attack", "attack time setting (1: 0.1 ms, 12: 0.3 ms, 100: 3 s, exponential)", 1,
     100, 40.0f, KnobRule::Scaled, 20, &EngineState::Attack},
    {"decay", "Decay", "decay time in twentieths of a second (1: 50 ms, 100: 5 s)", 1, 100, 70.0f,
     KnobRule::Scaled, 50, &EngineState::Decay},
    {"sustain", "Sustain", "sustain level in percent", 0, 100, 180.0f, KnobRule::Scaled, 1,
     &EngineState::Sustain},
    {"release", "Release", "release time setting (1: 1 ms, 60: 0.17 s, 100: 5 s, exponential)", 1,
     100, 215.0f, KnobRule::Scaled, 50, &EngineState::Release},
}};
constexpr int kOsc1PitchKnob = 0, kOsc2PitchKnob = 1, kMixKnob = 2, kAttackKnob = 3, kDecayKnob = 4,
              kSustainKnob = 5, kReleaseKnob = 6;
constexpr int kKnobCount = static_cast<int>(kKnobControls.size());
constexpr int kLastKnob = kKnobCount - 1;

// The value a knob has at an angle in degrees clockwise from 12 o'clock,
// 0..360 spanning its whole range.
constexpr int KnobValueAt(const KnobControl& knob, float angle) {
  return MapToRange(angle, 0, 360, static_cast<float>(knob.Min), static_cast<float>(knob.Max));
}
constexpr int StartValue(const KnobControl& knob) { return KnobValueAt(knob, knob.StartAngle); }

// The parameter a knob value sets.
double KnobParameter(const KnobControl& knob, int value);
// The value as the window shows it in units: the signed offset in cents for
// a pitch knob, the value itself otherwise; and back.
constexpr int ShownKnobValue(const KnobControl& knob, int value) {
  return knob.Rule == KnobRule::Pitch && value > 1200 ? value - 2400 : value;
}
constexpr int KnobValueFromShown(const KnobControl& knob, int shown) {
  return knob.Rule == KnobRule::Pitch && shown < 0 ? shown + 2400 : shown;
}
constexpr int ShownMin(const KnobControl& knob) {
  return knob.Rule == KnobRule::Pitch ? -1199 : knob.Min;
}
constexpr int ShownMax(const KnobControl& knob) {
  return knob.Rule == KnobRule::Pitch ? 1200 : knob.Max;
}
// The value label's text.
std::string KnobLabel(const KnobControl& knob, int value);

// How the mode selector's three positions combine the oscillators: MixMode
// 1, 2, 3 in order.
struct ModeControl {
  const char* Option; // velmora-render's --mode value
  const char* Label;  // beside the selector, and what a host lists
};
inline constexpr std::array<ModeControl, 3> kModes = {
    {{"add", "-Add"}, {"fm", "-FM"}, {"am", "-AM"}}};
constexpr int kModeCount = static_cast<int>(kModes.size());
constexpr int kStartMode = 1; // the selector is built showing "-Add"

// Warp canvases: 200 x 200 pixels, x to the right, y downward. A point at
// (x, y) is the keyframe Out = x * 2.5, In = y / 2 (percent): the canvas
// spans Out 0..500 and In 0..100.
constexpr int kWarpCanvasSide = 200;
constexpr int kWarpPoints = 4;
constexpr double kWarpOutPerPixel = 500.0 / kWarpCanvasSide;
constexpr double kWarpInPerPixel = 100.0 / kWarpCanvasSide;
struct CanvasPoint {
  int X = 0, Y = 0;
};
// Start-up points of both oscillators, keyframes 1..4: Out 20, 500, 200,
// 400 and In 95, 70, 5, 90.
inline constexpr CanvasPoint kStartWarpPoints[kWarpPoints] = {
    {8, 190}, {200, 140}, {80, 10}, {160, 180}};

// Every control a front end sets, numbered: the knobs in window order, the
// mode (1..3), sync (0 or 1), then x and y of every warp point, oscillator
// 1's four keyframes first (canvas pixels 0..200). The plugin's control
// ports follow this order.
constexpr int kModeControl = kKnobCount;
constexpr int kSyncControl = kModeControl + 1;
constexpr int kFirstPointControl = kSyncControl + 1;
constexpr int kControlCount = kFirstPointControl + 2 * 2 * kWarpPoints;
constexpr int PointControl(int osc, int keyframe, bool y) {
  return kFirstPointControl + 2 * (osc * kWarpPoints + keyframe) + (y ? 1 : 0);
}

// Sets the sound parameter behind a control from the value the control
// shows (a knob's shown value, a mode, a flag, a point coordinate). Every
// front end sets the engine through this alone. A point's x sets its Out, y
// its In, so a drag that sends x then y writes Out first, as the audio
// thread may read either between the two.
void SetControl(EngineState& s, int control, int value) noexcept;

// Where a front end's controls send their values: the window holds one.
class ParameterSink {
public:
  virtual void Set(int control, int value) = 0;

protected:
  ~ParameterSink() = default;
};
// A sink that sets an engine state directly.
class EngineSink final : public ParameterSink {
public:
  explicit EngineSink(EngineState& engine) : Engine(engine) {}
  void Set(int control, int value) override { SetControl(Engine, control, value); }
  EngineState& Engine;
};

// The start-up defaults of an engine state: every field cleared, then every
// control at its start value, the knees and the note names.
void InitEngineDefaults(EngineState& s);

} // namespace velmora
