// The stream callback: onset ramp, buffer handling, and what the sound itself
// measures.
#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velmora {
namespace {

using test::NoteHz;
using test::PressKey;
using test::ReleaseKey;
using test::Render;

class RenderCallback : public ::testing::Test {
protected:
  void SetUp() override { test::ResetSynth(); }
};

// Level and oscillator sample of the next frame, from a copy of the state's
// audio-thread fields: renders one frame and recovers y from the knee-free
// identity setup below.
TEST_F(RenderCallback, OnsetRampShapesTheFirstHundredSamplesOfEveryAttack) {
  Synth.Sustain = 100;
  Synth.Attack = 20; // full level within five samples
  Synth.Osc1WarpIn1 = Synth.Osc1WarpIn2 = Synth.Osc1WarpIn3 = 50;
  Synth.Osc1WarpOut1 = Synth.Osc1WarpOut2 = Synth.Osc1WarpOut3 = 50;
  Synth.MixAmount = 100; // oscillator 1 alone, unbent
  PressKey(NoteHz(69));
  const std::vector<float> out = Render(1001 + 200, 1);
  for (int i = 0; i < 1001; ++i)
    ASSERT_EQ(out[i], 0.0f) << i;
  const double attackSamples = std::pow(1.00517037535, 20) * 0.0994856 / 1000 * 44100;
  for (int n = 0; n < 200; ++n) {
    const double y =
        static_cast<float>(std::sin(6.2831854820251465 * static_cast<float>((n % 100) / 100.0)));
    const double level = n <= std::nearbyint(attackSamples) ? n / attackSamples : 1.0;
    double v = y * level;
    if (n < 100)
      v *= std::pow(static_cast<float>(n / 100.0), 5.0f);
    ASSERT_EQ(out[1001 + n], static_cast<float>(v)) << "n = " << n;
  }
  EXPECT_EQ(out[1001], 0.0f); // the attack's first frame is silent
  EXPECT_EQ(std::pow(static_cast<float>(50 / 100.0), 5.0f), 0.03125f);
}

TEST_F(RenderCallback, SilentUntilTheFirstNoteWhateverTheKnobs) {
  Synth.MixMode = 3;
  Synth.MixAmount = 100;
  Synth.Osc1Pitch = 2400;
  Synth.Sync = 1;
  for (float v : Render(44100))
    ASSERT_EQ(v, 0.0f);
}

TEST_F(RenderCallback, ZeroFrameBufferWritesNothing) {
  PressKey(NoteHz(69));
  float sentinel[2] = {123.0f, 456.0f};
  EXPECT_EQ(RenderAudio(nullptr, sentinel, 0, nullptr, 0, nullptr), paContinue);
  EXPECT_EQ(sentinel[0], 123.0f);
  EXPECT_EQ(Synth.EnvelopeClock, 0);
  EXPECT_EQ(Synth.FadeCounter, 0);
}

TEST_F(RenderCallback, ClockAdvancesByTheFrameCount) {
  Render(777, 777);
  EXPECT_EQ(Synth.EnvelopeClock, 777);
}

// A scripted performance: notes, legato, releases, knob and mode changes at
// fixed sample positions, rendered with the given buffer size.
std::vector<float> Perform(size_t block) {
  test::ResetSynth();
  std::vector<float> out;
  auto run = [&](size_t n) {
    const std::vector<float> part = Render(n, block);
    out.insert(out.end(), part.begin(), part.end());
  };
  PressKey(NoteHz(60));
  run(3000);
  Synth.NoteFrequency = NoteHz(67); // legato
  run(2500);
  Synth.MixMode = 2;
  Synth.Osc2Pitch = 1900;
  run(1999);
  ReleaseKey();
  run(2001);
  PressKey(NoteHz(72));
  Synth.Sync = 1;
  Synth.MixMode = 3;
  Synth.MixAmount = 90;
  run(4000);
  return out;
}

TEST_F(RenderCallback, OutputDoesNotDependOnBufferSizes) {
  const std::vector<float> reference = Perform(1);
  for (size_t block : {64u, 257u, 4096u})
    EXPECT_TRUE(test::SameSamples(reference, Perform(block))) << "buffers of " << block;
}

TEST_F(RenderCallback, AmUpperRangeReachesTheOutputUnclipped) {
  Synth.MixMode = 3;
  Synth.MixAmount = 100;
  Synth.Sustain = 100;
  PressKey(NoteHz(45));
  float peak = 0;
  for (float v : Render(44100))
    peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 1.5f);
  EXPECT_LE(peak, 6.0f);
}

// Pitch measured on the sound: rising zero crossings of a sustained, unbent
// tone, with the crossing points interpolated linearly.
double MeasuredHz(const std::vector<float>& s) {
  double first = -1, last = -1;
  int count = 0;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      const double at = (i - 1) + s[i - 1] / (s[i - 1] - s[i]);
      if (first < 0)
        first = at;
      else
        ++count;
      last = at;
    }
  }
  return count * 44100.0 / (last - first);
}

TEST_F(RenderCallback, SoundingPitchIsTheSampleRateOverThePeriod) {
  struct Case {
    int note;
    double pitch;
  };
  for (const Case c :
       {Case{69, 1200}, Case{60, 1200}, Case{81, 1200}, Case{69, 1800}, Case{40, 300}}) {
    test::ResetSynth();
    for (auto* k :
         {&Synth.Osc1WarpIn1, &Synth.Osc1WarpIn2, &Synth.Osc1WarpIn3, &Synth.Osc1WarpIn4,
          &Synth.Osc1WarpOut1, &Synth.Osc1WarpOut2, &Synth.Osc1WarpOut3, &Synth.Osc1WarpOut4})
      *k = 50;
    Synth.MixAmount = 100;
    Synth.Osc1Pitch = c.pitch;
    PressKey(NoteHz(c.note));
    Render(1001 + 44100 + 200); // through the decay
    const std::vector<float> tone = Render(44100);
    const double expected = 44100.0 / Synth.Osc1Period;
    EXPECT_NEAR(MeasuredHz(tone), expected, 0.01) << "note " << c.note;
    if (c.note == 69 && c.pitch == 1200) {
      EXPECT_NEAR(MeasuredHz(tone), 441.0, 0.01);
    }
  }
}

} // namespace
} // namespace velmora
