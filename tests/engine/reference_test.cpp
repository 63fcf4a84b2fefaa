// The engine keeps caches (pitch ratios, periods, knee fractions, stage ends,
// sines) to meet its real-time budget. This model evaluates every formula
// afresh at every sample, with no cache at all; the engine must match it bit
// for bit through notes, legato, releases and knob turns mid-note.
#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace velmora {
namespace {

// The model's own copy of the audio-thread state.
struct Model {
  int fade = 0, clock = 0, relClock = 0, c1 = 0, c2 = 0;
  bool started = false, attackStarted = false;
  double fadeLevel = 0, level = 0, relLevel = 0;
  double as = 0, ds = 0, sl = 0, rs = 0;
  double knee[4] = {50, 50, 50, 50}, relKnee[4] = {0, 0, 0, 0};
  float out = 0;
};

struct Inputs {
  bool gate = false;
  double note = 0, previous = 100;
};

double KeyOf(int coord, int k) {
  std::atomic<double>* keys[4][4] = {
      {&Synth.Osc1WarpIn1, &Synth.Osc1WarpIn2, &Synth.Osc1WarpIn3, &Synth.Osc1WarpIn4},
      {&Synth.Osc1WarpOut1, &Synth.Osc1WarpOut2, &Synth.Osc1WarpOut3, &Synth.Osc1WarpOut4},
      {&Synth.Osc2WarpIn1, &Synth.Osc2WarpIn2, &Synth.Osc2WarpIn3, &Synth.Osc2WarpIn4},
      {&Synth.Osc2WarpOut1, &Synth.Osc2WarpOut2, &Synth.Osc2WarpOut3, &Synth.Osc2WarpOut4}};
  return *keys[coord][k];
}

float WarpOf(float p, double in, double out) {
  const double x = in / 100, y = out / 100;
  if (0 <= p && p < x)
    return static_cast<float>(y * (p / x));
  if (x <= p && p <= 1)
    return x == 1 ? 1.0f : static_cast<float>(y + (1 - y) * (p - x) / (1 - x));
  return p;
}

float Sample(Model& m, const Inputs& in) {
  int t = m.clock;
  if (t > 2147483640) {
    m.clock = 0;
    m.relLevel = 0;
  }
  if (!in.gate) {
    if (t >= m.relClock + m.rs) {
      m.level = 0;
      for (int c = 0; c < 4; ++c)
        m.knee[c] = KeyOf(c, 3);
    } else {
      m.level = m.relLevel * ((m.relClock + m.rs - t) / m.rs);
      for (int c = 0; c < 4; ++c)
        m.knee[c] = m.relKnee[c] + (KeyOf(c, 3) - m.relKnee[c]) * (t - m.relClock) / m.rs;
    }
    m.fadeLevel = m.level;
  } else {
    if (!m.started) {
      m.started = true;
      m.fade = -1;
      m.as = std::pow(1.00517037535, Synth.Attack.load()) * 0.0994856 / 1000 * 44100;
      m.ds = Synth.Decay / 1000 * 44100;
      m.sl = Synth.Sustain / 100;
      m.rs = std::pow(1.00170523, Synth.Release.load()) * 0.9982977 / 1000 * 44100;
    }
    if (m.fade <= 1000)
      m.fade++;
    if (m.fade <= 1000) {
      m.level = (1 - m.fade / 1000.0) * m.fadeLevel;
    } else {
      if (!m.attackStarted) {
        m.c1 = m.c2 = -1;
        m.attackStarted = true;
        m.clock = t = 0;
      }
      if (t <= std::nearbyint(m.as)) {
        m.level = t / m.as;
        for (int c = 0; c < 4; ++c)
          m.knee[c] = KeyOf(c, 0) + (KeyOf(c, 1) - KeyOf(c, 0)) * t / m.as;
      } else if (t <= std::nearbyint(m.as + m.ds)) {
        m.level = m.sl + (m.as + m.ds - t) * (1 - m.sl) / m.ds;
        for (int c = 0; c < 4; ++c)
          m.knee[c] = KeyOf(c, 1) + (KeyOf(c, 2) - KeyOf(c, 1)) * (t - m.as) / m.ds;
      } else {
        m.level = m.sl;
        for (int c = 0; c < 4; ++c)
          m.knee[c] = KeyOf(c, 2);
      }
    }
    m.relLevel = m.level;
    m.relClock = t;
    for (int c = 0; c < 4; ++c)
      m.relKnee[c] = m.knee[c];
  }
  const int n = m.clock;

  float y = 0;
  const float r1 = std::pow(2.0f, static_cast<float>((Synth.Osc1Pitch - 1200) / 1200));
  const float r2 = std::pow(2.0f, static_cast<float>((Synth.Osc2Pitch - 1200) / 1200));
  if (in.note > 0) {
    const double f = m.fade <= 1000 ? in.previous : in.note;
    const int p1 = static_cast<int>(std::nearbyint(44100 / (f * r1)));
    const int p2 = static_cast<int>(std::nearbyint(44100 / (f * r2)));
    m.c1++;
    m.c2++;
    if (m.c1 == p1) {
      m.c1 = 0;
      if (Synth.Sync == 1)
        m.c2 = 0;
    }
    if (Synth.Sync == 0 && m.c2 == p2)
      m.c2 = 0;
    const float w1 =
        WarpOf(static_cast<float>(static_cast<double>(m.c1) / p1), m.knee[0], m.knee[1]);
    const float w2 =
        WarpOf(static_cast<float>(static_cast<double>(m.c2) / p2), m.knee[2], m.knee[3]);
    const double twoPi = 6.2831854820251465;
    const double s1 = std::sin(twoPi * w1), s2 = std::sin(twoPi * w2);
    const double mix = Synth.MixAmount;
    double v = 0;
    if (Synth.MixMode == 1) {
      v = (mix / 100) * s1 + (1 - mix / 100) * s2;
    } else if (Synth.MixMode == 2) {
      v = std::sin(twoPi * w1 + (mix / 15) * s2);
    } else if (mix < 25) {
      const double k = std::nearbyint(mix * 4 / 100);
      v = (k + 0.5 * s1) * s2 / (k + 0.5);
    } else if (mix < 50) {
      const double k = std::nearbyint((mix - 25) * 4 / 100);
      v = (1 + k * s1) * s2 / (k + 1);
    } else {
      const double k = std::nearbyint((mix - 50) * 2 * 5 / 100);
      v = k * m.out + 1 == 0 ? 0 : (1 + k * s1) * s2;
    }
    m.out = static_cast<float>(v);
    y = m.out;
  }
  double v = y * m.level;
  if (n < 100)
    v *= std::pow(static_cast<float>(n / 100.0), 5.0f);
  m.clock++;
  return static_cast<float>(v);
}

TEST(Reference, EngineMatchesTheUncachedFormulasBitForBit) {
  test::ResetSynth();
  Model model;
  Inputs in;
  std::mt19937 rng(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<float> expected, actual;
  int held = 0;
  for (int event = 0; event < 400; ++event) {
    switch (pick(0, 9)) {
    case 0:
    case 1: // key down; legato when another is held
      in.note = test::NoteHz(pick(20, 110));
      Synth.NoteFrequency = in.note;
      if (held++ == 0) {
        in.gate = true;
        Synth.Gate = 1;
      }
      break;
    case 2:
    case 3: // key up; the last one releases
      if (held > 0 && --held == 0) {
        in.gate = false;
        Synth.Gate = 0;
        Synth.NoteStarted = 0;
        Synth.AttackStarted = 0;
        model.started = model.attackStarted = false;
        in.previous = in.note;
        Synth.PreviousFrequency = in.note;
      }
      break;
    case 4: // pitch knobs, also while a note sounds
      Synth.Osc1Pitch = pick(1, 2400);
      Synth.Osc2Pitch = pick(0, 2) == 0 ? 1200 : pick(1, 2400);
      break;
    case 5:
      Synth.MixMode = pick(1, 3);
      Synth.MixAmount = pick(0, 100);
      Synth.Sync = pick(0, 1);
      break;
    case 6:
      Synth.Attack = pick(1, 100) * 20;
      Synth.Decay = pick(1, 20) * 50;
      Synth.Sustain = pick(0, 100);
      Synth.Release = pick(1, 100) * 50;
      break;
    default: { // a warp point moves
      std::atomic<double>* ins[] = {&Synth.Osc1WarpIn1, &Synth.Osc1WarpIn2, &Synth.Osc1WarpIn3,
                                    &Synth.Osc1WarpIn4, &Synth.Osc2WarpIn1, &Synth.Osc2WarpIn2,
                                    &Synth.Osc2WarpIn3, &Synth.Osc2WarpIn4};
      std::atomic<double>* outs[] = {&Synth.Osc1WarpOut1, &Synth.Osc1WarpOut2, &Synth.Osc1WarpOut3,
                                     &Synth.Osc1WarpOut4, &Synth.Osc2WarpOut1, &Synth.Osc2WarpOut2,
                                     &Synth.Osc2WarpOut3, &Synth.Osc2WarpOut4};
      const int k = pick(0, 7);
      *ins[k] = pick(0, 200) / 2.0;
      *outs[k] = pick(0, 200) * 2.5;
    }
    }
    const size_t frames = static_cast<size_t>(pick(1, 4000));
    for (size_t i = 0; i < frames; ++i)
      expected.push_back(Sample(model, in));
    const std::vector<float> part = test::Render(frames, static_cast<size_t>(pick(1, 512)));
    actual.insert(actual.end(), part.begin(), part.end());
  }
  ASSERT_TRUE(test::SameSamples(expected, actual));
  // The performance must have sounded, or the comparison proves little.
  size_t loud = 0;
  for (float v : actual)
    loud += std::fabs(v) > 0.1f;
  EXPECT_GT(loud, actual.size() / 10);
}

} // namespace
} // namespace velmora
