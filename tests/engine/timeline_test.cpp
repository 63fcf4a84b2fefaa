// The numbers the engine must give, measured on the state: the default
// note's timeline and the periods its pitches round to.
#include "engine/engine.h"
#include "support/test_support.h"

namespace velmora {
namespace {

using test::NoteOff;
using test::NoteOn;
using test::Render;

// One step of the default note: what the keys do, then `frames` rendered in
// one buffer, after which the envelope level and Osc1WarpIn must be as given.
struct Step {
  int noteOn = 0; // 0: no note-on
  bool noteOff = false;
  int clock = 0; // the envelope clock is set to this first (0: left alone)
  int frames = 1;
  double level = 0, levelTolerance = 0, knee = 0, kneeTolerance = 0;
  bool silent = false; // every sample exactly 0
};

TEST(Timeline, DefaultNoteFromStartUpToTheEndOfItsRelease) {
  const auto voice = test::NewVoice();
  const Step steps[] = {
      // Start-up: a release of no length, over, the knee at keyframe 4.
      {.knee = 90, .silent = true},
      // The fade-out of silence, the knee frozen; then the attack at t = 0, keyframe 1.
      {.noteOn = 69, .frames = 1001, .knee = 90, .silent = true},
      {.knee = 95, .silent = true},
      // t = 15 of an attack of 15.12 samples.
      {.frames = 15, .level = 0.9917, .levelTolerance = 5e-5, .knee = 70.2, .kneeTolerance = 0.1},
      // A decay of one second to Sustain 50, then the sustain at keyframe 3.
      {.frames = 44100, .level = 0.5, .levelTolerance = 1e-5, .knee = 5, .kneeTolerance = 1e-3},
      {.frames = 10, .level = 0.5, .knee = 5},
      // Re-struck: the fade starts from what sounds and ends at 0, the knee frozen.
      {.noteOn = 69, .noteOff = true, .level = 0.5, .knee = 5},
      {.frames = 1000, .knee = 5},
      {.frames = 16 + 44100 + 10, .level = 0.5, .knee = 5},
      // The clock passes its limit: the attack starts again, t = 1.
      {.clock = kClockLimit - 5,
       .frames = 8,
       .level = 1 / 15.12,
       .levelTolerance = 1e-3,
       .knee = 93.35,
       .kneeTolerance = .01},
      {.frames = 15 + 44100 + 10, .level = 0.5, .knee = 5},
      // Half of the release of 0.1656 s, then released at keyframe 4.
      {.noteOff = true,
       .frames = 3652,
       .level = 0.25,
       .levelTolerance = 1e-3,
       .knee = 47.5,
       .kneeTolerance = 0.01},
      {.frames = 3652, .knee = 90},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "the step of " << step.frames << " frames after note "
                                    << step.noteOn << (step.noteOff ? " and a note-off" : ""));
    if (step.noteOff)
      NoteOff(*voice);
    if (step.noteOn != 0)
      NoteOn(*voice, step.noteOn);
    if (step.clock != 0)
      voice->EnvelopeClock = step.clock;
    for (float v : Render(*voice, step.frames, step.frames))
      ASSERT_TRUE(!step.silent || v == 0.0f) << "a sample sounds where all should be silent";
    EXPECT_NEAR(voice->EnvelopeLevel, step.level, step.levelTolerance);
    EXPECT_NEAR(voice->Osc1WarpIn, step.knee, step.kneeTolerance);
  }
}

TEST(Timeline, APhaseCounterLeftHoursPastItsPeriodIsFoldedBackNotOverflowed) {
  const auto voice = test::NewVoice();
  NoteOn(*voice, 69);
  Render(*voice, 1100);
  voice->Osc1PhaseCounter = INT32_MAX - 10;
  Render(*voice, 40);
  EXPECT_GE(voice->Osc1PhaseCounter, 0);
}

// Periods are whole samples from a single-precision pitch ratio, so note 69
// sounds at 441 Hz; 33 at 309 cents is where a double ratio would round the
// other way (1341). Notes 127 and 0 at the pitch knob's ends give the
// shortest and the longest period.
TEST(Timeline, PeriodIsTheSampleRateOverTheRoundedFrequency) {
  struct {
    int note, pitch, period;
  } const rows[] = {
      {69, 1200, 100}, {69, 2400, 50}, {33, 309, 1342}, {127, 2400, 2}, {0, 0, 10788}};
  for (const auto& [note, pitch, period] : rows) {
    auto voice = test::NewVoice();
    voice->Osc1Pitch = pitch;
    NoteOn(*voice, note);
    Render(*voice, 1002); // past the fade-out, which plays the previous pitch
    EXPECT_EQ(voice->Osc1Period, period) << "note " << note << " at " << pitch << " cents";
  }
}

} // namespace
} // namespace velmora
