// Whatever the knobs and keyframes say, the engine gives finite samples.
#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace velmora {
namespace {

using test::NoteHz;

TEST(Robustness, EveryReachableSettingGivesFiniteSamples) {
  std::mt19937 rng(20261206);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 300; ++round) {
    test::ResetSynth();
    // Knob values and canvas points as the controls produce them, extremes
    // included.
    Synth.Osc1Pitch = pick(1, 2400);
    Synth.Osc2Pitch = pick(1, 2400);
    Synth.MixAmount = pick(0, 1) ? pick(0, 1) * 100 : pick(0, 100);
    Synth.MixMode = pick(1, 3);
    Synth.Sync = pick(0, 1);
    Synth.Attack = pick(1, 100) * 20;
    Synth.Decay = pick(1, 100) * 50;
    Synth.Sustain = pick(0, 100);
    Synth.Release = pick(1, 100) * 50;
    for (auto* k : {&Synth.Osc1WarpIn1, &Synth.Osc1WarpIn2, &Synth.Osc1WarpIn3, &Synth.Osc1WarpIn4,
                    &Synth.Osc2WarpIn1, &Synth.Osc2WarpIn2, &Synth.Osc2WarpIn3, &Synth.Osc2WarpIn4})
      *k = pick(0, 4) == 0 ? 100 * pick(0, 1) : pick(0, 200) / 2.0;
    for (auto* k :
         {&Synth.Osc1WarpOut1, &Synth.Osc1WarpOut2, &Synth.Osc1WarpOut3, &Synth.Osc1WarpOut4,
          &Synth.Osc2WarpOut1, &Synth.Osc2WarpOut2, &Synth.Osc2WarpOut3, &Synth.Osc2WarpOut4})
      *k = pick(0, 200) * 2.5;
    test::PressKey(NoteHz(pick(0, 127)));
    for (float v : test::Render(static_cast<size_t>(pick(1100, 6000))))
      ASSERT_TRUE(std::isfinite(v)) << "round " << round;
    test::ReleaseKey();
    for (float v : test::Render(2000))
      ASSERT_TRUE(std::isfinite(v)) << "round " << round;
  }
}

TEST(Robustness, ReleaseBeforeAnyNoteLeavesTheNextFadeOutSilent) {
  // A note-off with nothing held copies the still-zero note frequency into
  // the fade-out frequency; the fade-out then has no pitch to play.
  test::ResetSynth();
  test::ReleaseKey();
  ASSERT_EQ(Synth.PreviousFrequency, 0.0);
  test::PressKey(NoteHz(69));
  for (float v : test::Render(1001))
    ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(Synth.Osc1PhaseCounter, 0);
  // The attack then plays normally.
  float peak = 0;
  for (float v : test::Render(2000))
    peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.3f);
}

TEST(Robustness, UnplayableNoteFrequenciesAreSilent) {
  for (double hz : {std::nan(""), double(INFINITY), -1.0, 0.0, 1e300}) {
    test::ResetSynth();
    test::PressKey(hz);
    for (float v : test::Render(3000))
      ASSERT_EQ(v, 0.0f) << hz;
  }
}

} // namespace
} // namespace velmora
