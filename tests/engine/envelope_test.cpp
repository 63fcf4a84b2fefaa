// Envelope: the note timeline of level and knee, through the render callback.
#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

using test::NoteHz;
using test::PressKey;
using test::ReleaseKey;

class Envelope : public ::testing::Test {
protected:
  void SetUp() override { test::ResetSynth(); }
  // Runs n frames one at a time; returns the level of the last.
  double Step(int n = 1) {
    test::Render(static_cast<size_t>(n), 1);
    return Synth.EnvelopeLevel;
  }
};

TEST_F(Envelope, DefaultNoteFromSilence) {
  EXPECT_EQ(Step(), 0.0);            // the zero-length release before any note counts as over
  EXPECT_EQ(Synth.Osc1WarpIn, 90.0); // knee at keyframe 4
  PressKey(NoteHz(69));
  for (int i = 0; i <= 1000; ++i) {
    ASSERT_EQ(Step(), 0.0) << "fade-out sample " << i;
    ASSERT_EQ(Synth.FadeCounter, i);
    ASSERT_EQ(Synth.AttackStarted, 0);
  }
  // Attack: 15.1 samples at Attack 240, and the knee from keyframe 1 to 2.
  EXPECT_EQ(Step(), 0.0);
  EXPECT_EQ(Synth.EnvelopeClock, 1); // set to 0 at the attack start, +1 per frame
  EXPECT_EQ(Synth.Osc1WarpIn, 95.0);
  EXPECT_EQ(Synth.Osc1WarpOut, 20.0);
  EXPECT_NEAR(Step(15), 0.9917, 5e-5);
  EXPECT_NEAR(Synth.AttackSamples, 15.12, 0.01);
  // Decay to half level over 44100 samples, then sustain holds it.
  const double decayStart = Step();
  EXPECT_LT(decayStart, 1.0);
  EXPECT_GT(decayStart, 0.99);
  EXPECT_NEAR(Step(22050 - 1), 0.75, 1e-3);
  EXPECT_NEAR(Step(22050), 0.5, 1e-4);
  EXPECT_EQ(Step(10), 0.5);
  EXPECT_EQ(Synth.Osc1WarpIn, 5.0); // keyframe 3
  EXPECT_EQ(Synth.Osc2WarpOut, 200.0);
}

TEST_F(Envelope, ReleaseFallsLinearlyOverItsFullLength) {
  PressKey(NoteHz(69));
  Step(1001 + 16 + 44100 + 100); // into sustain
  ASSERT_EQ(Synth.EnvelopeLevel, 0.5);
  ReleaseKey();
  const double length = std::pow(1.00170523, 3000) * 0.9982977 / 1000 * 44100;
  EXPECT_NEAR(length / 44100, 0.1656, 1e-4);
  const int half = static_cast<int>(length / 2);
  EXPECT_NEAR(Step(half), 0.5 * (length - half) / length, 1e-9);
  // The knee travels from keyframe 3 to keyframe 4 in step with the level.
  EXPECT_NEAR(Synth.Osc1WarpIn, 5 + (90 - 5) * half / length, 1e-9);
  Step(static_cast<int>(length) - half);
  EXPECT_GT(Synth.EnvelopeLevel, 0.0);
  EXPECT_EQ(Step(), 0.0);
  EXPECT_EQ(Synth.Osc1WarpIn, 90.0);
  EXPECT_EQ(Synth.Osc1WarpOut, 400.0);
  EXPECT_EQ(Step(1000), 0.0);
}

TEST_F(Envelope, ReleaseDuringTheAttackStartsFromTheCurrentLevelAndKnee) {
  Synth.Attack = 2000; // three seconds
  PressKey(NoteHz(69));
  Step(1001 + 44100);
  const double level = Synth.EnvelopeLevel;
  const double knee = Synth.Osc1WarpOut;
  EXPECT_NEAR(level, 1 / 3.0, 1e-3);
  ReleaseKey();
  Step();
  EXPECT_LT(Synth.EnvelopeLevel, level);
  EXPECT_GT(Synth.EnvelopeLevel, level * 0.99);
  EXPECT_NEAR(Synth.Osc1WarpOut, knee, 1.0);
}

TEST_F(Envelope, NoteOnDuringAReleaseFadesItOutAtTheOldPitch) {
  Synth.Release = 5000; // five seconds
  PressKey(NoteHz(57));
  Step(1001 + 44100 * 2);
  ReleaseKey();
  Step(static_cast<int>(44100 * 5 * 0.4)); // 0.5 -> 0.3
  const double from = Synth.EnvelopeLevel;
  ASSERT_NEAR(from, 0.3, 1e-3);
  PressKey(NoteHz(69));
  for (int i = 0; i <= 1000; ++i) {
    Step();
    ASSERT_NEAR(Synth.EnvelopeLevel, (1 - i / 1000.0) * from, 1e-12);
    ASSERT_EQ(Synth.Osc1Period, 200) << "the old note's pitch during the fade";
  }
  EXPECT_EQ(Synth.EnvelopeLevel, 0.0);
  Step();
  EXPECT_EQ(Synth.Osc1Period, 100);
  EXPECT_EQ(Synth.Osc1PhaseCounter, 0); // the attack restarts at phase 0
  EXPECT_EQ(Synth.EnvelopeClock, 1);
}

TEST_F(Envelope, LegatoChangesPitchWithoutANewStart) {
  PressKey(NoteHz(69));
  Step(1001 + 5000);
  const int clock = Synth.EnvelopeClock;
  Synth.NoteFrequency = NoteHz(57); // a second key while the first is held
  Step();
  EXPECT_EQ(Synth.Osc1Period, 200);
  EXPECT_EQ(Synth.FadeCounter, 1001);
  EXPECT_EQ(Synth.EnvelopeClock, clock + 1);
}

TEST_F(Envelope, SettingsAreTakenOnlyAtTheNoteStart) {
  PressKey(NoteHz(69));
  Step(1001 + 10);
  Synth.Attack = 2000;
  Synth.Sustain = 100;
  Step(44100 + 100);
  EXPECT_EQ(Synth.EnvelopeLevel, 0.5);
}

TEST_F(Envelope, SustainExtremes) {
  Synth.Sustain = 100;
  PressKey(NoteHz(69));
  Step(1001 + 16);
  for (int i = 0; i < 44100; i += 441)
    ASSERT_NEAR(Step(441), 1.0, 1e-12);
  test::ResetSynth();
  Synth.Sustain = 0;
  PressKey(NoteHz(69));
  Step(1001 + 16 + 44100);
  EXPECT_EQ(Step(), 0.0);
}

TEST_F(Envelope, KeyframeMovesReachTheKneeOnlyInTheirStage) {
  PressKey(NoteHz(69));
  Step(1001 + 16 + 44100 + 10); // sustain: knee at keyframe 3
  Synth.Osc1WarpIn3 = 40;
  Synth.Osc1WarpIn2 = 10;
  Step();
  EXPECT_EQ(Synth.Osc1WarpIn, 40.0);
}

TEST_F(Envelope, ClockRestartsPastItsLimit) {
  PressKey(NoteHz(69));
  Step(1001 + 16 + 44100 + 10);
  Synth.EnvelopeClock = kClockLimit + 1;
  Step();
  // The clock restarted: the stage rules select the attack again, ramped.
  EXPECT_EQ(Synth.EnvelopeClock, 1);
  EXPECT_EQ(Step(), 1 / Synth.AttackSamples);
  // With the key up the restart ends the level.
  ReleaseKey();
  Step(3);
  Synth.EnvelopeClock = kClockLimit + 1;
  Step();
  EXPECT_EQ(Synth.ReleaseStartLevel, 0.0);
  EXPECT_EQ(Step(), 0.0);
}

TEST_F(Envelope, FadeCounterStopsCountingOnceThePastFadeOut) {
  PressKey(NoteHz(69));
  Step(5000);
  EXPECT_EQ(Synth.FadeCounter, 1001);
}

TEST_F(Envelope, PortCloseKeepsTheFlagsSoTheNextNoteContinues) {
  PressKey(NoteHz(69));
  Step(1001 + 16 + 44100 + 10);
  Synth.Gate = 0; // port closed: flags stay set
  Step(100);
  Synth.Gate = 1;
  Step();
  EXPECT_EQ(Synth.FadeCounter, 1001);  // no new fade-out
  EXPECT_EQ(Synth.EnvelopeLevel, 0.5); // the clock selects sustain
}

} // namespace
} // namespace velmora
