#include "engine/state.h"

#include <cmath>

namespace velmora {

void ClearEngineState(EngineState& s) {
#define VELMORA_ZERO(name) s.name = 0;
  VELMORA_SHARED_DOUBLES(VELMORA_ZERO)
  VELMORA_SHARED_INTS(VELMORA_ZERO)
  VELMORA_AUDIO_DOUBLES(VELMORA_ZERO)
  VELMORA_AUDIO_INTS(VELMORA_ZERO)
#undef VELMORA_ZERO
  s.OscOutput = 0.0f;
  s.Ratio1 = s.Ratio2 = RatioCache{};
  s.Period1 = s.Period2 = PeriodCache{};
  s.Knee1 = s.Knee2 = KneeCache{};
  s.Mix = MixCache{};
  // An all-ones pattern is a NaN that no sine argument has.
  for (SineMemo* memo : {&s.Memo1, &s.Memo2, &s.MemoFm}) {
    memo->Argument.fill(~uint64_t{0});
    memo->Sine.fill(0.0);
  }
  s.NoteLabel = 0;
  s.NoteLabelSerial = 0;
  s.NoteNames.clear();
  SetSampleRate(s, kSampleRate);
}

void SetSampleRate(EngineState& s, double samplesPerSecond) {
  s.SampleRate = samplesPerSecond;
  const double scale = samplesPerSecond / kSampleRate;
  s.FadeOutLast = static_cast<int32_t>(std::nearbyint(1000 * scale));
  s.OnsetRampLength = static_cast<int32_t>(std::nearbyint(100 * scale));
  // The periods are cached for a frequency and ratio, not for a rate.
  s.Period1 = s.Period2 = PeriodCache{};
}

} // namespace velmora
