// The numbers the engine must give, measured on the state: the periods its
// pitches round to, and a phase counter far past its period. The envelope's
// timeline is the reference model's: it catches a wrong stage length, fade,
// knee or clock restart bit for bit.
#include "engine/engine.h"
#include "support/test_support.h"

namespace velmora {
namespace {

using test::NoteOn;
using test::Render;

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
