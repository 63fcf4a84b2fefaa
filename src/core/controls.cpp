#include "core/controls.h"

namespace velmora {

double KnobParameter(const KnobControl& knob, int value) {
  if (knob.Rule == KnobRule::Pitch)
    return value <= 1200 ? value + 1200.0 : value - 1200.0; // cents + 1200
  return value * knob.Scale;
}

std::string KnobLabel(const KnobControl& knob, int value) {
  if (knob.Rule == KnobRule::Caption)
    return knob.Name;
  return std::to_string(ShownKnobValue(knob, value));
}

void SetControl(EngineState& s, int control, int value) noexcept {
  if (control < kModeControl) {
    const KnobControl& knob = kKnobControls[control];
    s.*knob.Parameter = KnobParameter(knob, KnobValueFromShown(knob, value));
  } else if (control == kModeControl) {
    s.MixMode = value;
  } else if (control == kSyncControl) {
    s.Sync = value;
  } else if (control < kControlCount) {
    const int point = (control - kFirstPointControl) / 2;
    const WarpKeyframeFields& osc = kWarpKeyframes[point / kWarpPoints];
    if ((control - kFirstPointControl) % 2 == 0)
      s.*osc.Out[point % kWarpPoints] = value * kWarpOutPerPixel;
    else
      s.*osc.In[point % kWarpPoints] = value * kWarpInPerPixel;
  }
}

void InitEngineDefaults(EngineState& s) {
  ClearEngineState(s);
  for (int k = 0; k < kKnobCount; ++k)
    SetControl(s, k, ShownKnobValue(kKnobControls[k], StartValue(kKnobControls[k])));
  SetControl(s, kModeControl, kStartMode);
  for (int osc = 0; osc < 2; ++osc) {
    for (int k = 0; k < kWarpPoints; ++k) {
      SetControl(s, PointControl(osc, k, false), kStartWarpPoints[k].X);
      SetControl(s, PointControl(osc, k, true), kStartWarpPoints[k].Y);
    }
  }
  s.PreviousFrequency = 100;
  s.Osc1WarpIn = s.Osc1WarpOut = s.Osc2WarpIn = s.Osc2WarpOut = 50;
  s.NoteNames = "C C#D EbE F F#G AbA BbB C ";
}

} // namespace velmora
