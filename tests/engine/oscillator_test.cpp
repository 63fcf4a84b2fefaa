// Oscillator pair: periods, phases, warp and the three mix modes.
#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velmora {
namespace {

using test::NoteHz;

constexpr float kTwoPi = 6.2831854820251465f;
double SinCycles(double p) { return std::sin(static_cast<double>(kTwoPi) * p); }

class Oscillators : public ::testing::Test {
protected:
  void SetUp() override {
    test::ResetSynth();
    // Past the fade-out, so the oscillators run at NoteFrequency.
    Synth.FadeCounter = 1001;
  }
  // Sets the note and runs one sample so the periods are computed.
  void Note(double hz) {
    Synth.NoteFrequency = hz;
    RenderOscillators();
  }
  // Identity warp for both oscillators.
  void Straight() {
    Synth.Osc1WarpIn = Synth.Osc2WarpIn = 50;
    Synth.Osc1WarpOut = Synth.Osc2WarpOut = 50;
  }
  // Bent phase of oscillator 1, read back through "-Add" at Mix 100.
  double Bent(float p, double in, double out) {
    Synth.MixMode = 1;
    Synth.MixAmount = 100;
    Synth.Osc1WarpIn = in;
    Synth.Osc1WarpOut = out;
    return WarpAndCombine(p, 0.0f);
  }
};

TEST_F(Oscillators, PeriodsAreWholeSamplesRoundedFromThePitch) {
  Note(NoteHz(69));
  EXPECT_EQ(Synth.Osc1Period, 100); // sounds 441 Hz
  EXPECT_EQ(Synth.Osc2Period, 100);
  Note(NoteHz(60));
  EXPECT_EQ(Synth.Osc1Period, 169);

  Synth.Osc1Pitch = 2400;
  Synth.Osc2Pitch = 0;
  Note(NoteHz(69));
  EXPECT_EQ(Synth.Osc1Period, 50);
  EXPECT_EQ(Synth.Osc2Period, 200);

  Note(NoteHz(127)); // the shortest period there is
  EXPECT_EQ(Synth.Osc1Period, 2);
  Note(NoteHz(0)); // the longest, at one octave down
  EXPECT_EQ(Synth.Osc2Period, 10788);
}

TEST_F(Oscillators, PitchRatioIsSinglePrecision) {
  // 44100 / (55 Hz x ratio) lies within 1e-4 of 1341.5 here: the float ratio
  // puts it just above (1342), a double ratio just below (1341).
  Synth.Osc1Pitch = 309;
  Note(NoteHz(33));
  EXPECT_EQ(Synth.Osc1Period, 1342);
}

TEST_F(Oscillators, PhaseStepsFromZeroAfterTheAttackRestart) {
  Straight();
  Synth.MixAmount = 100;
  Synth.NoteFrequency = NoteHz(69);
  Synth.Osc1PhaseCounter = Synth.Osc2PhaseCounter = -1;
  for (int i = 0; i < 250; ++i) {
    const float y = RenderOscillators();
    const int expected = i % 100;
    ASSERT_EQ(Synth.Osc1PhaseCounter, expected) << "sample " << i;
    ASSERT_EQ(y, static_cast<float>(SinCycles(static_cast<float>(expected / 100.0))))
        << "sample " << i;
  }
}

TEST_F(Oscillators, SilentAndStillWithoutAPlayableFrequency) {
  Synth.Osc1PhaseCounter = 7;
  Synth.Osc2PhaseCounter = 9;
  for (double hz : {0.0, -440.0, std::nan(""), double(INFINITY), -double(INFINITY), 1e-300}) {
    Synth.NoteFrequency = hz;
    EXPECT_EQ(RenderOscillators(), 0.0f) << hz;
    EXPECT_EQ(Synth.Osc1PhaseCounter, 7) << hz;
    EXPECT_EQ(Synth.Osc2PhaseCounter, 9) << hz;
  }
}

TEST_F(Oscillators, FadeOutRunsAtThePreviousFrequency) {
  Synth.PreviousFrequency = NoteHz(57); // 220 Hz: period 200
  Synth.FadeCounter = 1000;
  Note(NoteHz(69));
  EXPECT_EQ(Synth.Osc1Period, 200);
  Synth.FadeCounter = 1001;
  RenderOscillators();
  EXPECT_EQ(Synth.Osc1Period, 100);
}

TEST_F(Oscillators, WarpBendsThePhaseThroughTheKnee) {
  // In 50, Out 50 is the identity.
  for (float p : {0.0f, 0.13f, 0.5f, 0.77f})
    EXPECT_EQ(Bent(p, 50, 50), static_cast<float>(SinCycles(p))) << p;
  // In 50, Out 100: twice as fast up to the knee, then held at a full cycle.
  EXPECT_EQ(Bent(0.25f, 50, 100), static_cast<float>(SinCycles(0.5f)));
  EXPECT_EQ(Bent(0.75f, 50, 100), static_cast<float>(SinCycles(1.0f)));
  // In 95, Out 20: slow to 0.2 at the knee.
  EXPECT_NEAR(Bent(0.95f, 95, 20), SinCycles(0.2), 1e-6);
  // In 0, Out 500: p' = 5 - 4p, four cycles backwards.
  EXPECT_NEAR(Bent(0.1f, 0, 500), SinCycles(4.6), 1e-5);
  // Beyond the period the phase passes unbent.
  EXPECT_EQ(Bent(1.5f, 95, 20), static_cast<float>(SinCycles(1.5f)));
  EXPECT_EQ(Bent(-0.25f, 95, 20), static_cast<float>(SinCycles(-0.25f)));
  // A knee at In 100 meets phase 1 at the curve's end point, not 0 / 0.
  EXPECT_EQ(Bent(1.0f, 100, 300), static_cast<float>(SinCycles(1.0f)));
  EXPECT_EQ(Bent(0.5f, 100, 300), static_cast<float>(SinCycles(1.5f)));
}

TEST_F(Oscillators, EqualityWrapLetsACounterRunPastAShortenedPeriod) {
  Straight();
  Synth.NoteFrequency = NoteHz(69);
  Synth.Osc1PhaseCounter = 80;
  Synth.Osc1Pitch = 2400; // period 100 -> 50
  for (int expected = 81; expected < 200; ++expected) {
    RenderOscillators();
    ASSERT_EQ(Synth.Osc1PhaseCounter, expected);
  }
}

TEST_F(Oscillators, HardSyncRestartsOscillatorTwoWithOscillatorOne) {
  Straight();
  Synth.Sync = 1;
  Synth.Osc2Pitch = 2400; // periods 100 and 50
  Synth.NoteFrequency = NoteHz(69);
  Synth.Osc1PhaseCounter = Synth.Osc2PhaseCounter = -1;
  int highest = 0;
  for (int i = 0; i < 300; ++i) {
    RenderOscillators();
    ASSERT_EQ(Synth.Osc2PhaseCounter, Synth.Osc1PhaseCounter) << "sample " << i;
    highest = std::max(highest, Synth.Osc2PhaseCounter);
  }
  EXPECT_EQ(highest, 99); // phase 2 reaches 1.98
}

TEST_F(Oscillators, CountersStayBoundedFarPastTheirPeriod) {
  Straight();
  Synth.NoteFrequency = NoteHz(69);
  Synth.Osc1Pitch = 2400;
  Synth.Osc1PhaseCounter = (1 << 24) - 10; // hours of a held legato overrun
  float before = 0;
  for (int i = 0; i < 40; ++i) {
    before = RenderOscillators();
    ASSERT_GE(Synth.Osc1PhaseCounter, 50);
    ASSERT_LE(Synth.Osc1PhaseCounter, 1 << 24);
    ASSERT_TRUE(std::isfinite(before));
  }
}

TEST_F(Oscillators, AddModeCrossFades) {
  const float p1 = 0.1f, p2 = 0.3f;
  Synth.Osc1WarpIn = Synth.Osc2WarpIn = 50;
  Synth.Osc1WarpOut = Synth.Osc2WarpOut = 50;
  Synth.MixMode = 1;
  Synth.MixAmount = 100;
  EXPECT_EQ(WarpAndCombine(p1, p2), static_cast<float>(SinCycles(p1)));
  Synth.MixAmount = 0;
  EXPECT_EQ(WarpAndCombine(p1, p2), static_cast<float>(SinCycles(p2)));
  Synth.MixAmount = 25;
  EXPECT_NEAR(WarpAndCombine(p1, p2), 0.25 * SinCycles(p1) + 0.75 * SinCycles(p2), 1e-6);
  EXPECT_EQ(Synth.OscOutput, WarpAndCombine(p1, p2));
}

TEST_F(Oscillators, FmModeModulatesThePhaseOfOscillatorOne) {
  Synth.Osc1WarpIn = Synth.Osc2WarpIn = 50;
  Synth.Osc1WarpOut = Synth.Osc2WarpOut = 50;
  Synth.MixMode = 2;
  Synth.MixAmount = 100; // index 6.67 radians
  const float p1 = 0.1f, p2 = 0.3f;
  const double expected = std::sin(static_cast<double>(kTwoPi) * p1 + (100 / 15.0) * SinCycles(p2));
  EXPECT_NEAR(WarpAndCombine(p1, p2), expected, 1e-6);
  Synth.MixAmount = 0;
  EXPECT_EQ(WarpAndCombine(p1, p2), static_cast<float>(SinCycles(p1)));
}

TEST_F(Oscillators, AmModeHasThreeRanges) {
  Synth.Osc1WarpIn = Synth.Osc2WarpIn = 50;
  Synth.Osc1WarpOut = Synth.Osc2WarpOut = 50;
  Synth.MixMode = 3;
  const float p1 = 0.2f, p2 = 0.15f;
  const double s1 = SinCycles(p1), s2 = SinCycles(p2);
  struct Case {
    double mix, expected;
  };
  const Case cases[] = {
      {0, s1 * s2},                    // ring modulation
      {12, s1 * s2},                   // k = 0 up to 12
      {13, (1 + 0.5 * s1) * s2 / 1.5}, // k = 1 from 13
      {25, s2},                        // k = 0: oscillator 2 alone
      {37, s2},                        //
      {38, (1 + s1) * s2 / 2},         // k = 1
      {55, s2},                        // 0.5 rounds to even: k = 0
      {60, (1 + s1) * s2},             // k = 1, not normalised
      {65, (1 + 2 * s1) * s2},         // 1.5 rounds to 2
      {75, (1 + 2 * s1) * s2},         // 2.5 rounds to 2
      {100, (1 + 5 * s1) * s2},        // k = 5
  };
  for (const Case& c : cases) {
    Synth.MixAmount = c.mix;
    Synth.OscOutput = 0;
    EXPECT_NEAR(WarpAndCombine(p1, p2), c.expected, 1e-6) << "mix " << c.mix;
  }
  // Up to +-6 in the upper range: 1 + 5 at s1 = s2 = 1.
  Synth.MixAmount = 100;
  Synth.OscOutput = 0;
  EXPECT_NEAR(WarpAndCombine(0.25f, 0.25f), 6.0, 1e-6);
}

TEST_F(Oscillators, AmUpperRangeIsSilentWhenThePreviousOutputCancelsTheDepth) {
  Synth.Osc1WarpIn = Synth.Osc2WarpIn = 50;
  Synth.Osc1WarpOut = Synth.Osc2WarpOut = 50;
  Synth.MixMode = 3;
  Synth.MixAmount = 60; // k = 1
  Synth.OscOutput = -1.0f;
  EXPECT_EQ(WarpAndCombine(0.2f, 0.15f), 0.0f);
  Synth.OscOutput = -0.999f;
  EXPECT_NE(WarpAndCombine(0.2f, 0.15f), 0.0f);
  Synth.MixAmount = 90; // k = 4
  Synth.OscOutput = -0.25f;
  EXPECT_EQ(WarpAndCombine(0.2f, 0.15f), 0.0f);
}

} // namespace
} // namespace velmora
