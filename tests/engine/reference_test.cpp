// The engine keeps caches (pitch ratios, periods, knee fractions, stage ends,
// sines) to meet its real-time budget. This model evaluates every formula
// afresh at every sample from the state's inputs, with no cache at all; the
// engine must match it bit for bit through random notes, legato, releases,
// knob and warp-point moves and clock restarts, in buffers of random sizes.
//
// Built with -fsanitize=realtime (the RealtimeSanitizer stage of the test
// command) the same run also proves that RenderBlock, declared nonblocking,
// never allocates, locks or makes a system call while notes play and knobs
// move; in other builds that part proves nothing.
#include "core/controls.h"
#include "engine/engine.h"
#include "midi/handler.h"
#include "support/test_support.h"

#include <cmath>
#include <random>

namespace velmora {
namespace {

// The model's own copy of the audio-thread state.
struct Model {
  int fade = 0, clock = 0, relClock = 0, c1 = 0, c2 = 0;
  bool started = false, attackStarted = false, keyWasDown = false;
  double fadeLevel = 0, level = 0, relLevel = 0, as = 0, ds = 0, sl = 0, rs = 0;
  double knee[4] = {50, 50, 50, 50}, relKnee[4] = {0, 0, 0, 0};
  float out = 0;
};

// Keyframe k (0..3) of knee coordinate c: oscillator 1 In, Out, oscillator 2 In, Out.
double Key(const EngineState& s, int c, int k) {
  return s.*(c % 2 ? kWarpKeyframes[c / 2].Out : kWarpKeyframes[c / 2].In)[k];
}

float Bend(float p, double in, double out) {
  const double x = in / 100, y = out / 100;
  if (0 <= p && p < x)
    return static_cast<float>(y * (p / x));
  return x <= p && p <= 1 ? (x == 1 ? 1.0f : static_cast<float>(y + (1 - y) * (p - x) / (1 - x)))
                          : p;
}

float Sample(Model& m, const EngineState& s) {
  int t = m.clock;
  if (t > 2147483640) {
    m.clock = 0;
    m.relLevel = 0;
  }
  if (s.Gate == 0) {
    const bool over = t >= m.relClock + m.rs;
    m.level = m.fadeLevel = over ? 0 : m.relLevel * ((m.relClock + m.rs - t) / m.rs);
    for (int c = 0; c < 4; ++c)
      m.knee[c] = over ? Key(s, c, 3)
                       : m.relKnee[c] + (Key(s, c, 3) - m.relKnee[c]) * (t - m.relClock) / m.rs;
    m.keyWasDown = false;
  } else {
    if (!m.started) {
      // Re-struck with no key-up sample between: the fade starts from what sounds.
      m.fadeLevel = m.keyWasDown ? m.level : m.fadeLevel;
      m.started = true;
      m.fade = -1;
      m.ds = s.Decay / 1000 * 44100;
      m.sl = s.Sustain / 100;
      m.as = std::pow(1.00517037535, s.Attack.load()) * 0.0994856 / 1000 * 44100;
      m.rs = std::pow(1.00170523, s.Release.load()) * 0.9982977 / 1000 * 44100;
    }
    m.keyWasDown = true;
    m.fade += m.fade <= 1000;
    if (m.fade <= 1000)
      m.level = (1 - m.fade / 1000.0) * m.fadeLevel;
    else if (!m.attackStarted) {
      m.c1 = m.c2 = -1;
      m.attackStarted = true;
      m.clock = t = 0;
    }
    // Attack, decay or sustain: the level, and each knee from keyframe `from` towards the next.
    const int stage = t <= std::nearbyint(m.as) ? 0 : t <= std::nearbyint(m.as + m.ds) ? 1 : 2;
    const double since[2] = {double(t), t - m.as}, length[2] = {m.as, m.ds};
    const double level[3] = {t / m.as, m.sl + (m.as + m.ds - t) * (1 - m.sl) / m.ds, m.sl};
    if (m.fade > 1000)
      m.level = level[stage];
    for (int c = 0; c < 4 && m.fade > 1000; ++c) {
      const double from = Key(s, c, stage);
      m.knee[c] =
          stage == 2 ? from : from + (Key(s, c, stage + 1) - from) * since[stage] / length[stage];
    }
    m.relLevel = m.level;
    m.relClock = t;
    std::copy(m.knee, m.knee + 4, m.relKnee);
  }
  const int n = m.clock++;
  float y = 0;
  if (s.NoteFrequency > 0) {
    const double f = m.fade <= 1000 ? s.PreviousFrequency : s.NoteFrequency, mix = s.MixAmount;
    auto period = [f](double cents) {
      return static_cast<int>(
          std::nearbyint(44100 / (f * std::pow(2.0f, static_cast<float>((cents - 1200) / 1200)))));
    };
    const int p1 = period(s.Osc1Pitch), p2 = period(s.Osc2Pitch);
    ++m.c1;
    ++m.c2;
    if (m.c1 == p1 && s.Sync == 1)
      m.c2 = 0;
    if (m.c1 == p1)
      m.c1 = 0;
    if (s.Sync == 0 && m.c2 == p2)
      m.c2 = 0;
    const double twoPi = 6.2831854820251465;
    const float w1 = Bend(static_cast<float>(double(m.c1) / p1), m.knee[0], m.knee[1]);
    const float w2 = Bend(static_cast<float>(double(m.c2) / p2), m.knee[2], m.knee[3]);
    const double s1 = std::sin(twoPi * w1), s2 = std::sin(twoPi * w2);
    const double k = std::nearbyint(mix < 25   ? mix * 4 / 100
                                    : mix < 50 ? (mix - 25) * 4 / 100
                                               : (mix - 50) * 2 * 5 / 100);
    y = m.out = static_cast<float>(s.MixMode == 1       ? (mix / 100) * s1 + (1 - mix / 100) * s2
                                   : s.MixMode == 2     ? std::sin(twoPi * w1 + (mix / 15) * s2)
                                   : mix < 25           ? (k + 0.5 * s1) * s2 / (k + 0.5)
                                   : mix < 50           ? (1 + k * s1) * s2 / (k + 1)
                                   : k * m.out + 1 == 0 ? 0
                                                        : (1 + k * s1) * s2);
  }
  return static_cast<float>(y * m.level * (n < 100 ? std::pow(float(n / 100.0), 5.0f) : 1));
}

TEST(Reference, EngineMatchesTheUncachedFormulasBitForBit) {
  auto voice = test::NewVoice();
  EngineState& s = *voice;
  Model model;
  std::mt19937 rng(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<float> expected, actual;
  for (int event = 0; event < 500; ++event) {
    const int e = pick(0, 11);
    if (e < 2) { // key down; legato when another is held
      test::NoteOn(s, pick(20, 110));
    } else if (e < 4) { // key up; the last one releases
      test::NoteOff(s);
    } else if (e < 6) { // a knob turns, also while a note sounds, to any value it can take
      const KnobControl& k = kKnobControls[static_cast<size_t>(pick(0, kLastKnob))];
      s.*k.Parameter = KnobParameter(k, pick(k.Min, k.Max));
    } else if (e == 6) {
      s.MixMode = pick(1, 3);
      s.Sync = pick(0, 1);
    } else if (e == 7) { // re-struck: all released (note-offs or a port close), a new note at once
      if (pick(0, 1))
        HandleMidiClose(s);
      while (s.Gate != 0)
        test::NoteOff(s);
      model.started = model.attackStarted = false;
      test::NoteOn(s, pick(20, 110));
    } else if (e == 8) { // hours later: the clock restarts within the next buffer
      s.EnvelopeClock = model.clock = kClockLimit - pick(0, 300);
    } else { // a warp point moves, favouring the ends of the ranges, where the warp divides
      const int osc = pick(0, 1), k = pick(0, 3);
      s.*kWarpKeyframes[osc].In[k] = pick(0, 3) == 0 ? 100.0 * pick(0, 1) : pick(0, 200) / 2.0;
      s.*kWarpKeyframes[osc].Out[k] = pick(0, 3) == 0 ? 500.0 * pick(0, 1) : pick(0, 200) * 2.5;
    }
    if (s.Gate == 0)
      model.started = model.attackStarted = false;
    const size_t frames = static_cast<size_t>(pick(1, 4000));
    for (size_t i = 0; i < frames; ++i)
      expected.push_back(Sample(model, s));
    actual = test::Render(s, frames, static_cast<size_t>(pick(1, 512)), std::move(actual));
  }
  ASSERT_TRUE(test::SameSamples(expected, actual));
  // The performance must have sounded, or the comparison proves little.
  EXPECT_GT(
      std::count_if(actual.begin(), actual.end(), [](float v) { return std::fabs(v) > 0.1f; }),
      actual.size() / 10);
}

} // namespace
} // namespace velmora
