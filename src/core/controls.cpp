#include "core/controls.h"

namespace velmora {

double KnobParameter(const KnobControl& knob, int value) {
  if (knob.Rule == KnobRule::Pitch)
    return value <= 1200 ? value + 1200.0 : value - 1200.0; // cents + 1200
  return value * knob.Scale;
}

int ShownKnobValue(const KnobControl& knob, int value) {
  if (knob.Rule == KnobRule::Pitch)
    return value <= 1200 ? value : value - 2400;
  return value;
}

int KnobValueFromShown(const KnobControl& knob, int shown) {
  if (knob.Rule == KnobRule::Pitch)
    return shown < 0 ? shown + 2400 : shown;
  return shown;
}

int ShownMin(const KnobControl& knob) { return knob.Rule == KnobRule::Pitch ? -1199 : knob.Min; }
int ShownMax(const KnobControl& knob) { return knob.Rule == KnobRule::Pitch ? 1200 : knob.Max; }

std::string KnobLabel(const KnobControl& knob, int value) {
  if (knob.Rule == KnobRule::Caption)
    return knob.Name;
  return std::to_string(ShownKnobValue(knob, value));
}

void SetWarpKeyframe(EngineState& s, int osc, int k, double x, double y) {
  (s.*kWarpKeyframes[osc].Out[k]).store(WarpOutFromX(x));
  (s.*kWarpKeyframes[osc].In[k]).store(WarpInFromY(y));
}

void InitEngineDefaults(EngineState& s) {
  ClearEngineState(s);
  for (const KnobControl& knob : kKnobControls)
    s.*knob.Parameter = KnobParameter(knob, knob.StartValue);
  s.PreviousFrequency = 100;
  s.Osc1WarpIn = s.Osc1WarpOut = s.Osc2WarpIn = s.Osc2WarpOut = 50;
  for (const WarpKeyframeFields& osc : kWarpKeyframes) {
    for (int k = 0; k < kWarpPoints; ++k) {
      s.*osc.In[k] = kStartWarpIn[k];
      s.*osc.Out[k] = kStartWarpOut[k];
    }
  }
  s.NoteNames = "C C#D EbE F F#G AbA BbB C ";
}

} // namespace velmora
