#include "engine/engine.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace velmora {

namespace {

// 2 pi as the nearest single-precision value; the sines use this constant.
constexpr float kTwoPi = 6.2831854820251465f;

// Periods outside this range cannot come from a MIDI note and a pitch knob
// (2 to 10790 samples); they mean a frequency that cannot be played, which
// is silence rather than a division by zero or an overflowing conversion.
constexpr double kMinPeriod = 0.5;
constexpr double kMaxPeriod = 1 << 20;

// A counter left running past a shortened period grows until the next attack
// restart. Once it passes this bound (2^24 samples, about 6.3 minutes) it is
// folded back by whole periods into the second period, where the sine runs
// unbent at the same point of its cycle. Below the bound the counter behaves
// literally; above it the phase keeps its single-precision resolution and
// the counter can never overflow.
constexpr int32_t kCounterFoldLimit = 1 << 24;

// The pitch ratio is evaluated in single precision; the cache saves two
// powf calls per sample.
inline float PitchRatio(double pitch, RatioCache& cache) noexcept {
  if (pitch != cache.Pitch) {
    const float exponent = static_cast<float>((pitch - 1200.0) / 1200.0);
    cache.Ratio = std::pow(2.0f, exponent);
    cache.Pitch = pitch;
  }
  return cache.Ratio;
}

// Whole-sample period for frequency f, or 0 when it cannot be played.
// Frequency and ratio change only at a note or a knob turn, so the last
// answer is kept.
inline int32_t PeriodFor(double rate, double f, float ratio, PeriodCache& cache) noexcept {
  if (f == cache.Frequency && ratio == cache.Ratio)
    return cache.Period;
  const double period = std::nearbyint(rate / (f * static_cast<double>(ratio)));
  cache.Frequency = f;
  cache.Ratio = ratio;
  cache.Period = period >= kMinPeriod && period <= kMaxPeriod ? static_cast<int32_t>(period) : 0;
  return cache.Period;
}

inline int32_t FoldCounter(int32_t counter, int32_t period) noexcept {
  if (counter > kCounterFoldLimit)
    return period + (counter - period) % period;
  return counter;
}

// Two-segment warp through (0, 0), the knee (in, out) in percent, and (1, 1).
// The knee moves only during attack, decay and release, so the divisions are
// redone only when it does.
inline float Warp(float p, double in, double out, KneeCache& knee) noexcept {
  if (in != knee.In || out != knee.Out) {
    knee.In = in;
    knee.Out = out;
    knee.X = in / 100.0;
    knee.Y = out / 100.0;
  }
  const double x = knee.X;
  const double y = knee.Y;
  if (0.0f <= p && p < x)
    return static_cast<float>(y * (p / x));
  if (x <= p && p <= 1.0f) {
    // With the knee at In 100 the second segment has no width; its end point
    // (1, 1) is the value at p = 1.
    if (x == 1.0)
      return 1.0f;
    return static_cast<float>(y + (1.0 - y) * (p - x) / (1.0 - x));
  }
  return p;
}

// The sines dominate the cost of a sample; the memos (see SineMemo) return
// the very value the sine would give.
inline double Sine(double x, SineMemo& memo) noexcept {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const size_t slot = static_cast<size_t>((bits * 0x9E3779B97F4A7C15u) >> (64 - kSineMemoBits));
  if (memo.Argument[slot] == bits)
    return memo.Sine[slot];
  const double s = std::sin(x);
  memo.Argument[slot] = bits;
  memo.Sine[slot] = s;
  return s;
}

// The Mix knob's divisions, redone only when it turns.
inline const MixCache& MixShare(MixCache& cache, double m) noexcept {
  if (m != cache.Mix) {
    cache.Mix = m;
    cache.Hundredth = m / 100.0;
    cache.Fifteenth = m / 15.0;
  }
  return cache;
}

// Nearest integer, ties to even (the default rounding mode).
inline double RoundEven(double v) noexcept { return std::nearbyint(v); }

} // namespace

float WarpAndCombine(EngineState& s, float phase1, float phase2) noexcept VELMORA_NONBLOCKING {
  const double in1 = s.Osc1WarpIn, out1 = s.Osc1WarpOut;
  const double in2 = s.Osc2WarpIn, out2 = s.Osc2WarpOut;
  const float w1 = Warp(phase1, in1, out1, s.Knee1);
  const double a1 = static_cast<double>(kTwoPi) * w1;
  const double s1 = Sine(a1, s.Memo1);
  // Two oscillators with the same pitch and keyframes (the start-up patch)
  // are at the same phase with the same knee: the warp and the sine of one
  // serve both, bit for bit.
  double s2 = s1;
  if (std::bit_cast<uint32_t>(phase2) != std::bit_cast<uint32_t>(phase1) || in2 != in1 ||
      out2 != out1) {
    const float w2 = Warp(phase2, in2, out2, s.Knee2);
    s2 = Sine(static_cast<double>(kTwoPi) * w2, s.Memo2);
  }
  const double m = s.MixAmount;

  double y = 0.0;
  switch (s.MixMode.load()) {
  case 1: { // "-Add": cross-fade
    const double share = MixShare(s.Mix, m).Hundredth;
    y = share * s1 + (1.0 - share) * s2;
    break;
  }
  case 2: // "-FM": oscillator 2 modulates the phase of oscillator 1
    y = Sine(a1 + MixShare(s.Mix, m).Fifteenth * s2, s.MemoFm);
    break;
  case 3: // "-AM", three depth ranges
    if (m < 25.0) {
      const double k = RoundEven(m * 4.0 / 100.0);
      y = (k + 0.5 * s1) * s2 / (k + 0.5);
    } else if (m < 50.0) {
      const double k = RoundEven((m - 25.0) * 4.0 / 100.0);
      y = (1.0 + k * s1) * s2 / (k + 1.0);
    } else {
      const double k = RoundEven((m - 50.0) * 2.0 * 5.0 / 100.0);
      if (k * static_cast<double>(s.OscOutput) + 1.0 == 0.0)
        y = 0.0;
      else
        y = (1.0 + k * s1) * s2;
    }
    break;
  default: // no mode chosen yet: nothing to combine
    break;
  }
  s.OscOutput = static_cast<float>(y);
  return s.OscOutput;
}

float RenderOscillators(EngineState& s) noexcept VELMORA_NONBLOCKING {
  const float ratio1 = PitchRatio(s.Osc1Pitch, s.Ratio1);
  const float ratio2 = PitchRatio(s.Osc2Pitch, s.Ratio2);

  const double note = s.NoteFrequency;
  if (!(note > 0.0)) // also NaN
    return 0.0f;
  const double f = s.FadeCounter <= s.FadeOutLast ? s.PreviousFrequency.load() : note;
  const int32_t period1 = PeriodFor(s.SampleRate, f, ratio1, s.Period1);
  const int32_t period2 = PeriodFor(s.SampleRate, f, ratio2, s.Period2);
  // A frequency that cannot be played (the fade-out of a note that never
  // sounded carries 0 Hz, say) is silent and leaves the counters alone.
  if (period1 == 0 || period2 == 0)
    return 0.0f;
  s.Osc1Period = period1;
  s.Osc2Period = period2;

  const int32_t sync = s.Sync;
  s.Osc1PhaseCounter += 1;
  s.Osc2PhaseCounter += 1;
  if (s.Osc1PhaseCounter == period1) {
    s.Osc1PhaseCounter = 0;
    if (sync == 1)
      s.Osc2PhaseCounter = 0;
  }
  if (sync == 0 && s.Osc2PhaseCounter == period2)
    s.Osc2PhaseCounter = 0;
  s.Osc1PhaseCounter = FoldCounter(s.Osc1PhaseCounter, period1);
  s.Osc2PhaseCounter = FoldCounter(s.Osc2PhaseCounter, period2);

  const float phase1 = static_cast<float>(static_cast<double>(s.Osc1PhaseCounter) / period1);
  const float phase2 = s.Osc2PhaseCounter == s.Osc1PhaseCounter && period2 == period1
                           ? phase1
                           : static_cast<float>(static_cast<double>(s.Osc2PhaseCounter) / period2);
  return WarpAndCombine(s, phase1, phase2);
}

} // namespace velmora
