// The numbers the engine must give, measured on the state and the samples:
// the default note's timeline and sounding pitches.
#include "engine/engine.h"
#include "support/test_support.h"

#include <cmath>

namespace velmora {
namespace {

using test::NoteOff;
using test::NoteOn;
using test::Render;

TEST(Timeline, DefaultNoteFromStartUpToTheEndOfItsRelease) {
  const auto voice = test::NewVoice();
  // note: before the frames, a note-on, -1 nothing, 0 the note-off, -2 both at once; frames:
  // rendered in one buffer after the clock is set to `clock` (0: left alone); then the level and
  // Osc1WarpIn with their tolerances, and whether every sample is exactly 0.
  struct Row {
    int note, frames, clock;
    double level, levelTolerance, kneeIn, kneeTolerance;
    bool silent;
  } const rows[] = {
      {-1, 1, 0, 0, 0, 90, 0, true},             // start-up: a release of no length, over
      {69, 1001, 0, 0, 0, 90, 0, true},          // fade-out of silence, knee frozen
      {-1, 1, 0, 0, 0, 95, 0, true},             // attack start: t = 0, keyframe 1
      {-1, 15, 0, 0.9917, 5e-5, 70.2, 0.1, 0},   // t = 15 of 15.12
      {-1, 44100, 0, 0.5, 1e-5, 5, 1e-3, 0},     // decay over one second to Sustain 50
      {-1, 10, 0, 0.5, 0, 5, 0, 0},              // sustain: keyframe 3
      {-2, 1, 0, 0.5, 0, 5, 0, 0},               // re-struck: the fade starts from what sounds
      {-1, 1000, 0, 0, 0, 5, 0, 0},              // and ends at 0, the knee frozen
      {-1, 16 + 44100 + 10, 0, 0.5, 0, 5, 0, 0}, // sustain again
      {-1, 8, kClockLimit - 5, 1 / 15.12, 1e-3, 93.35, .01, 0}, // restarts: attack, t = 1
      {-1, 15 + 44100 + 10, 0, 0.5, 0, 5, 0, 0},
      {0, 3652, 0, 0.25, 1e-3, 47.5, 0.01, 0}, // half of the 0.1656 s release
      {-1, 3652, 0, 0, 0, 90, 0, 0},           // released: keyframe 4
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "row after " << r.frames << " frames, note " << r.note);
    if (r.note == 0 || r.note == -2)
      NoteOff(*voice);
    if (r.note > 0 || r.note == -2)
      NoteOn(*voice, r.note > 0 ? r.note : 69);
    if (r.clock != 0)
      voice->EnvelopeClock = r.clock;
    for (float v : Render(*voice, r.frames, r.frames))
      ASSERT_TRUE(!r.silent || v == 0.0f);
    EXPECT_NEAR(voice->EnvelopeLevel, r.level, r.levelTolerance);
    EXPECT_NEAR(voice->Osc1WarpIn, r.kneeIn, r.kneeTolerance);
  }
  // A counter left hours past a shortened period is folded back, never overflows.
  voice->Osc1PhaseCounter = INT32_MAX - 10;
  Render(*voice, 40);
  EXPECT_GE(voice->Osc1PhaseCounter, 0);
}

// Rising zero crossings of a sustained tone, a whole number of samples apart.
double MeasuredHz(const std::vector<float>& v) {
  std::vector<size_t> up;
  for (size_t i = 1; i < v.size(); ++i)
    if (v[i - 1] < 0 && v[i] >= 0)
      up.push_back(i);
  return double(up.size() - 1) * 44100.0 / double(up.back() - up.front());
}

// Periods are whole samples from a single-precision pitch ratio, so note 69
// sounds at 441 Hz; 33 at 309 cents is where a double ratio would round the
// other way (1341).
TEST(Timeline, SoundingPitchIsTheSampleRateOverAWholePeriod) {
  const int rows[][3] = {{69, 1200, 100}, {60, 1200, 169}, {69, 2400, 50}, {69, 0, 200},
                         {33, 309, 1342}, {127, 2400, 2},  {0, 0, 10788}};
  for (const auto& [note, pitch, period] : rows) {
    auto s = test::NewVoice();
    for (int k = 0; k < 4; ++k) // oscillator 1 alone, unbent
      (*s).*kWarpKeyframes[0].In[k] = (*s).*kWarpKeyframes[0].Out[k] = 50;
    s->MixAmount = 100, s->Osc1Pitch = pitch;
    NoteOn(*s, note);
    const std::vector<float> tone = Render(*s, 1001 + 44100 + 200 + 44100);
    EXPECT_EQ(s->Osc1Period, period) << note << " at " << pitch;
    EXPECT_TRUE(period < 10 || period >= 2000 ||
                std::fabs(MeasuredHz({tone.end() - 44100, tone.end()}) - 44100.0 / period) < 0.01)
        << note;
  }
}

} // namespace
} // namespace velmora
