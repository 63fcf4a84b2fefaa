#include "core/state.h"

#include <cstring>

namespace velmora {

SynthState Synth;

void InitSynthState() {
  SynthState& s = Synth;
  InitEngineDefaults(s);
#define VELMORA_ZERO(name) s.name = 0;
  VELMORA_GUI_DOUBLES(VELMORA_ZERO)
  VELMORA_GUI_INTS(VELMORA_ZERO)
#undef VELMORA_ZERO
  s.AudioStream = nullptr;
  std::memset(&s.OutputParameters, 0, sizeof s.OutputParameters);
  s.MidiIn = nullptr;
  s.Knobs = {};

  s.LastKnob = kLastKnob;
  s.PanelColour = Rgb(85, 0, 0);
  for (int osc = 0; osc < 2; ++osc) {
    for (int k = 0; k < kWarpPoints; ++k) {
      s.*kWarpPointFields[osc].X[k] = XFromWarpOut(kStartWarpOut[k]);
      s.*kWarpPointFields[osc].Y[k] = YFromWarpIn(kStartWarpIn[k]);
    }
  }
  s.Osc1DragPoint = "Unpressed";
  s.Osc2DragPoint = "Unpressed";
}

} // namespace velmora
