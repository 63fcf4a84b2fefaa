// The message handler: the note state that a sequence of MIDI messages leaves
// behind, the note names of the label, and the packing of whole messages
// into the handler's word.
#include "midi/handler.h"
#include "midi/message.h"
#include "support/test_support.h"

#include <cmath>
#include <optional>

namespace velmora {
namespace {

using test::NoteHz;

struct Step {
  uint32_t kind, word;
};
constexpr uint32_t kTake = 1; // the audio thread takes the note: NoteStarted, AttackStarted = 1
Step On(int note, int velocity = 100) { return {kMimData, 0x90u | note << 8 | velocity << 16}; }
Step Off(int note) { return {kMimData, 0x80u | note << 8 | 64u << 16}; }
Step Data(uint32_t word) { return {kMimData, word}; }

void Play(EngineState& s, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    if (step.kind == kTake)
      s.NoteStarted = s.AttackStarted = 1;
    else
      MidiInputHandler(nullptr, step.kind, reinterpret_cast<uintptr_t>(&s), step.word, 0);
  }
}

TEST(NoteHandling, StateAfterEachSequence) {
  const Step take = {kTake, 0}, close = {kMimClose, 0};
  // clang-format off
  const Step ignored[] = {
      Data(0x643E91), Data(0x643E9F), Data(0x003C81), // channels 2 and 16
      Data(0x1E3CA0), Data(0x6407B0), Data(0x007BB0), // pressure, controls, all notes off
      Data(0x05C0), Data(0x28D0), Data(0x4000E0),     // program, pressure, pitch bend
      Data(0xF8), Data(0xFE), Data(0xFF),             // clock, active sensing, reset
      Data(0x643C00), Data(0x12643C81)};              // no status byte; bits above the three
  std::vector<Step> busy = {On(60), take};
  busy.insert(busy.end(), std::begin(ignored), std::end(ignored));
  const double hz64 = NoteHz(64);
  struct Row {
    const char* what;
    std::vector<Step> steps;
    double frequency, previous;
    int gate, held, started; // started: NoteStarted and AttackStarted alike
    const char* label;
    size_t serial;
  } rows[] = {
      {"note-on, channel 1", {On(69)}, 440, 100, 1, 1, 0, "A5", 1},
      {"note-off, bits above the message ignored", {On(69), take, Data(0xFF004580)}, 440, 440, 0, 0, 0, "Off", 2},
      {"velocity 0 releases one of two", {On(60), On(64), take, On(60, 0)}, hz64, 100, 1, 1, 1, "C5", 3},
      {"velocity 0 releases the last", {On(60), On(64), take, On(60, 0), On(64, 0)}, hz64, hz64, 0, 0, 0, "Off", 4},
      {"legato: the pitch follows, the label stays", {On(60), take, On(64)}, hz64, 100, 1, 2, 1, "C5", 2},
      {"note numbers are not matched", {On(67), On(67), On(67), Off(1), Off(2)}, NoteHz(67), 100, 1, 1, 0, "G5", 5},
      {"note-off with nothing held", {take, Off(60)}, 0, 0, 0, 0, 0, "Off", 1},
      {"other messages only refresh the label", busy, NoteHz(60), 100, 1, 1, 1, "C5", 1 + std::size(ignored)},
      {"a port close ends the held note as its last note-off", {On(60), On(64), take, close}, hz64, hz64, 0, 0, 0, "Off", 2},
      {"other message kinds do nothing", {{kMimOpen, On(60).word}, {kMimLongData, On(60).word},
       {kMimError, On(60).word}, {kMimLongError, On(60).word}, {kMimMoreData, On(60).word}}, 0, 100, 0, 0, 0, "", 0}};
  // clang-format on
  for (const Row& r : rows) {
    auto s = test::NewVoice();
    Play(*s, r.steps);
    EXPECT_EQ(std::make_tuple(s->NoteFrequency.load(), s->PreviousFrequency.load(), s->Gate.load(),
                              s->HeldNotes.load(), s->NoteStarted + s->AttackStarted,
                              UnpackLabel(s->NoteLabel), s->NoteLabelSerial.load()),
              std::make_tuple(r.frequency, r.previous, r.gate, r.held, 2 * r.started,
                              std::string(r.label), r.serial))
        << r.what;
  }
}

TEST(NoteHandling, NamesOfEveryNote) {
  auto s = test::NewVoice();
  const char* const names[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
  for (int note = 0; note <= 127; ++note)
    EXPECT_EQ(FormatNoteName(*s, note), names[note % 12] + std::to_string(note / 12)) << note;
}

// Whole messages as the platform hands them over, or nothing for what the
// handler must never see as data.
TEST(MessagePacking, WordOrRefusal) {
  const std::optional<uint32_t> no;
  // clang-format off
  const std::pair<std::vector<uint8_t>, std::optional<uint32_t>> rows[] = {
      {{0x90, 60, 100}, 0x643C90u}, {{0x8F, 127, 127}, 0x7F7F8Fu}, {{0xE0, 0x00, 0x40}, 0x4000E0u},
      {{0xF2, 1, 2}, 0x0201F2u}, {{0xC0, 5}, 0x05C0u}, {{0xDF, 0x40}, 0x40DFu},
      {{0xF1, 0x12}, 0x12F1u}, {{0xF3, 3}, 0x03F3u}, {{0xF8}, 0xF8u}, {{0xF6}, 0xF6u}, {{0xFF}, 0xFFu},
      // Nothing for: no bytes, system-exclusive data whole or in pieces,
      // running-status fragments, lengths that do not fit the status byte, a
      // status byte where a data byte belongs.
      {{}, no}, {{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, no}, {{0xF0, 0x90, 0x3C, 0x64}, no},
      {{0xF0}, no}, {{0xF7}, no}, {{60, 100}, no}, {{0, 0, 0}, no}, {{0x90}, no}, {{0x90, 60}, no},
      {{0x90, 60, 100, 64}, no}, {{0xC0, 5, 6}, no}, {{0xF8, 0}, no}, {{0x90, 0x90, 0x40}, no},
      {{0x90, 60, 0xF8}, no}};
  // clang-format on
  for (const auto& [bytes, word] : rows)
    EXPECT_EQ(PackShortMessage(bytes), word) << testing::PrintToString(bytes);
}

} // namespace
} // namespace velmora
