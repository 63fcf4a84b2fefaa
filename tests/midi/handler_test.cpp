// The message handler: the note state that a sequence of MIDI messages leaves
// behind, the note names of the label, and the packing of whole messages
// into the handler's word.
#include "midi/handler.h"
#include "midi/message.h"
#include "support/test_support.h"

#include <optional>

namespace velmora {
namespace {

using test::NoteHz;

struct Step {
  uint32_t kind, word;
};
constexpr uint32_t kData = 0; // a data message through the handler
constexpr uint32_t kTake = 1; // the audio thread takes the note: NoteStarted, AttackStarted = 1
const Step take = {kTake, 0};
Step On(int note, int velocity = 100) { return {kData, 0x90u | note << 8 | velocity << 16}; }
Step Off(int note) { return {kData, 0x80u | note << 8 | 64u << 16}; }
Step Data(uint32_t word) { return {kData, word}; }

// What a sequence of steps must leave. Besides, the gate is open while notes
// are held, the start flags the audio thread set stay up only while the gate
// is, and every data message, ignored ones too, bumps the label's serial.
struct Sequence {
  const char* what;
  struct {
    double frequency, previous;
    int held;
    const char* label;
  } after;
  std::vector<Step> steps;
};

void ExpectStateAfter(const Sequence& sequence) {
  auto s = test::NewVoice();
  bool taken = false;
  uint32_t data = 0;
  for (const Step& step : sequence.steps) {
    taken |= step.kind == kTake;
    data += step.kind == kData;
    if (step.kind == kTake) {
      s->NoteStarted = 1;
      s->AttackStarted = 1;
    } else {
      HandleMidiData(*s, step.word);
    }
  }
  SCOPED_TRACE(sequence.what);
  EXPECT_EQ(s->NoteFrequency, sequence.after.frequency);
  EXPECT_EQ(s->PreviousFrequency, sequence.after.previous);
  EXPECT_EQ(s->HeldNotes, sequence.after.held);
  EXPECT_EQ(UnpackLabel(s->NoteLabel), sequence.after.label);
  EXPECT_EQ(s->Gate, sequence.after.held > 0 ? 1 : 0);
  EXPECT_EQ(s->NoteStarted, taken && sequence.after.held > 0) << "the note start flag";
  EXPECT_EQ(s->AttackStarted, taken && sequence.after.held > 0) << "the attack start flag";
  EXPECT_EQ(s->NoteLabelSerial, data) << "one label serial for each data message";
}

// Messages the handler ignores, a port close and a note-off with nothing held
// are the MIDI fuzzer's: it checks that nothing but a channel-1 note message
// changes the note state, that each bumps the label's serial, that a close
// ends the note and that the held count never goes below zero.
TEST(NoteHandling, NotesOnChannelOneAreCountedNotMatched) {
  const double hz64 = NoteHz(64);
  const Sequence sequences[] = {
      {"a note-on on channel 1 opens the gate and names the note", {440, 100, 1, "A5"}, {On(69)}},
      {"a note-off closes it, whatever bits lie above the message",
       {440, 440, 0, "Off"},
       {On(69), take, Data(0xFF004580)}},
      {"a note-on of velocity 0 releases one of two notes held",
       {hz64, 100, 1, "C5"},
       {On(60), On(64), take, On(60, 0)}},
      {"legato: the pitch follows the new note, the label stays",
       {hz64, 100, 2, "C5"},
       {On(60), take, On(64)}},
      {"note-offs are not matched to the note numbers held",
       {NoteHz(67), 100, 1, "G5"},
       {On(67), On(67), On(67), Off(1), Off(2)}},
  };
  for (const Sequence& sequence : sequences)
    ExpectStateAfter(sequence);
}

TEST(NoteHandling, EveryNoteIsNamedByItsSemitoneAndOctave) {
  auto s = test::NewVoice();
  const char* const names[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
  for (int note = 0; note <= 127; ++note)
    EXPECT_EQ(FormatNoteName(*s, note), names[note % 12] + std::to_string(note / 12)) << note;
}

using Bytes = std::vector<uint8_t>;

TEST(MessagePacking, AWholeMessageIsPackedLowByteFirst) {
  const std::pair<Bytes, uint32_t> rows[] = {{{0x90, 60, 100}, 0x643C90u},
                                             {{0x8F, 127, 127}, 0x7F7F8Fu},
                                             {{0xE0, 0x00, 0x40}, 0x4000E0u},
                                             {{0xF2, 1, 2}, 0x0201F2u},
                                             {{0xC0, 5}, 0x05C0u},
                                             {{0xDF, 0x40}, 0x40DFu},
                                             {{0xF1, 0x12}, 0x12F1u},
                                             {{0xF3, 3}, 0x03F3u},
                                             {{0xF8}, 0xF8u},
                                             {{0xFF}, 0xFFu}};
  for (const auto& [bytes, word] : rows)
    EXPECT_EQ(PackShortMessage(bytes), word) << testing::PrintToString(bytes);
}

// What the handler must never see as data: no bytes, pieces of
// system-exclusive data, lengths that do not fit the status byte, a status
// byte where a data byte belongs. Whole system-exclusive messages and
// running-status fragments are the MIDI fuzzer's.
TEST(MessagePacking, AnythingButAWholeShortMessageIsRefused) {
  const Bytes rows[] = {{},
                        {0xF0},
                        {0xF7},
                        {0x90, 60},
                        {0xC0, 5, 6},
                        {0xF8, 0},
                        {0x90, 0x90, 0x40},
                        {0x90, 60, 0xF8}};
  for (const Bytes& bytes : rows)
    EXPECT_EQ(PackShortMessage(bytes), std::nullopt) << testing::PrintToString(bytes);
}

} // namespace
} // namespace velmora
