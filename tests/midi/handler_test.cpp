// The message handler and the note names: the note state that MIDI messages
// leave behind, and what the user-interface thread is told.
#include "core/state.h"
#include "midi/midi.h"
#include "midi/toolkit_stand_in.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

namespace velmora {
namespace {

uint32_t Word(uint32_t status, uint32_t data1 = 0, uint32_t data2 = 0) {
  return status | (data1 << 8) | (data2 << 16);
}

void Send(uintptr_t word) { MidiInputHandler(nullptr, kMimData, 0, word, 0); }
void NoteOn(int note, int velocity = 100) { Send(Word(0x90, note, velocity)); }
void NoteOff(int note) { Send(Word(0x80, note, 64)); }

std::string Label() { return UnpackLabel(Synth.NoteLabel); }

// Everything a message may change, compared whole.
struct NoteState {
  double NoteFrequency, PreviousFrequency;
  int32_t Gate, HeldNotes, NoteStarted, AttackStarted;
  PackedLabel NoteLabel;
  bool operator==(const NoteState&) const = default;
};

NoteState Snapshot() {
  return {Synth.NoteFrequency, Synth.PreviousFrequency, Synth.Gate,     Synth.HeldNotes,
          Synth.NoteStarted,   Synth.AttackStarted,     Synth.NoteLabel};
}

// What the audio thread does at a note start: it marks the note as taken.
void AudioTakesNote() {
  Synth.NoteStarted = 1;
  Synth.AttackStarted = 1;
}

class NoteHandling : public ::testing::Test {
protected:
  void SetUp() override {
    test::ResetSynth();
    midi_test::ResetToolkit();
  }
};

TEST_F(NoteHandling, NoteOnOnChannelOneOpensTheGateAtTheNotePitch) {
  NoteOn(69, 100);
  EXPECT_EQ(Synth.NoteFrequency, 440.0);
  EXPECT_EQ(Synth.Gate, 1);
  EXPECT_EQ(Synth.HeldNotes, 1);
  EXPECT_EQ(Label(), "A5");
  EXPECT_EQ(Synth.NoteLabelSerial, 1u);
  EXPECT_EQ(midi_test::Wakes(), 1);
  // The handler leaves the widget to the user-interface thread.
  EXPECT_TRUE(midi_test::Toolkit().Labels.empty());

  // Bits above the three message bytes are not looked at.
  Send(static_cast<uintptr_t>(0xFF) << 24 | Word(0x80, 69, 0));
  EXPECT_EQ(Synth.Gate, 0);
  EXPECT_EQ(Synth.HeldNotes, 0);
  EXPECT_EQ(Synth.PreviousFrequency, 440.0);
  EXPECT_EQ(Label(), "Off");
  EXPECT_EQ(Synth.NoteLabelSerial, 2u);
}

TEST_F(NoteHandling, VelocityZeroIsANoteOff) {
  NoteOn(60);
  NoteOn(64);
  AudioTakesNote();
  NoteOff(60);
  NoteOff(64);
  const NoteState withNoteOff = Snapshot();

  test::ResetSynth();
  NoteOn(60);
  NoteOn(64);
  AudioTakesNote();
  NoteOn(60, 0);
  EXPECT_EQ(Synth.Gate, 1) << "one of two notes released";
  NoteOn(64, 0);
  EXPECT_EQ(Snapshot(), withNoteOff);
  EXPECT_EQ(Synth.Gate, 0);
}

TEST_F(NoteHandling, OtherChannelsAndMessagesOnlyRefreshTheLabel) {
  NoteOn(60);
  AudioTakesNote();
  const NoteState before = Snapshot();
  const std::vector<uint32_t> ignored = {
      Word(0x91, 62, 100), // note-on, channel 2
      Word(0x9F, 62, 100), // note-on, channel 16
      Word(0x81, 60, 0),   // note-off, channel 2
      Word(0xA0, 60, 30),  // polyphonic pressure
      Word(0xB0, 7, 100),  // control change
      Word(0xB0, 123, 0),  // all notes off: still not a note-off here
      Word(0xC0, 5),       // program change
      Word(0xD0, 40),      // channel pressure
      Word(0xE0, 0, 64),   // pitch bend
      Word(0xF8),          // clock
      Word(0xFE),          // active sensing
      Word(0xFF),          // reset
      0x00643C00,          // no status byte at all
      0x12643C81,          // note-off, channel 2, with bits above the three bytes
  };
  for (const uint32_t word : ignored)
    Send(word);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Synth.NoteLabelSerial, 1u + ignored.size());
  EXPECT_EQ(midi_test::Wakes(), static_cast<int>(1 + ignored.size()));
}

TEST_F(NoteHandling, PitchFollowsTheLatestNoteAndTheGateTheLastRelease) {
  NoteOn(60);
  AudioTakesNote();
  NoteOn(64);
  EXPECT_EQ(Synth.NoteFrequency, test::NoteHz(64));
  EXPECT_EQ(Label(), "C5") << "the label stays on the note that opened the gate";
  NoteOff(60);
  EXPECT_EQ(Synth.HeldNotes, 1);
  EXPECT_EQ(Synth.Gate, 1);
  EXPECT_EQ(Synth.NoteFrequency, test::NoteHz(64));
  EXPECT_EQ(Label(), "C5");
  EXPECT_EQ(Synth.NoteStarted, 1);
  EXPECT_EQ(Synth.PreviousFrequency, 100.0) << "only the last release sets it";

  NoteOff(64);
  EXPECT_EQ(Synth.Gate, 0);
  EXPECT_EQ(Label(), "Off");
  EXPECT_EQ(Synth.PreviousFrequency, test::NoteHz(64));
  EXPECT_EQ(Synth.NoteStarted, 0);
  EXPECT_EQ(Synth.AttackStarted, 0);

  // Note numbers are not matched: three presses need three releases.
  NoteOn(67);
  NoteOn(67);
  NoteOn(67);
  NoteOff(1);
  NoteOff(2);
  EXPECT_EQ(Synth.Gate, 1);
  NoteOff(3);
  EXPECT_EQ(Synth.Gate, 0);
}

TEST_F(NoteHandling, NoteOffWithNothingHeldStillEndsTheNote) {
  AudioTakesNote();
  NoteOff(60);
  EXPECT_EQ(Synth.HeldNotes, 0);
  EXPECT_EQ(Synth.Gate, 0);
  EXPECT_EQ(Label(), "Off");
  EXPECT_EQ(Synth.NoteStarted, 0);
  EXPECT_EQ(Synth.AttackStarted, 0);
  EXPECT_EQ(Synth.PreviousFrequency, 0.0) << "NoteFrequency before the first note";
}

TEST_F(NoteHandling, HeldCountSaturatesInsteadOfWrapping) {
  NoteOn(60);
  Synth.HeldNotes = INT32_MAX - 1;
  NoteOn(62);
  NoteOn(64);
  EXPECT_EQ(Synth.HeldNotes, INT32_MAX);
  EXPECT_EQ(Synth.Gate, 1);
  EXPECT_EQ(Synth.NoteFrequency, test::NoteHz(64));
  NoteOff(64);
  EXPECT_EQ(Synth.HeldNotes, INT32_MAX - 1);
  EXPECT_EQ(Synth.Gate, 1);
}

TEST_F(NoteHandling, ClosingThePortReleasesEverythingButTheEnvelopeFlags) {
  NoteOn(60);
  NoteOn(64);
  AudioTakesNote();
  const uint32_t serial = Synth.NoteLabelSerial;
  MidiInputHandler(nullptr, kMimClose, 0, 0, 0);
  EXPECT_EQ(Synth.HeldNotes, 0);
  EXPECT_EQ(Synth.Gate, 0);
  EXPECT_EQ(Label(), "Off");
  // Left as they are, so a note on the next port carries on the envelope.
  EXPECT_EQ(Synth.NoteStarted, 1);
  EXPECT_EQ(Synth.AttackStarted, 1);
  EXPECT_EQ(Synth.PreviousFrequency, 100.0);
  EXPECT_EQ(Synth.NoteFrequency, test::NoteHz(64));
  // The label is not shown anew until the next data message.
  EXPECT_EQ(Synth.NoteLabelSerial, serial);
  EXPECT_EQ(midi_test::Wakes(), 2);

  NoteOn(67);
  EXPECT_EQ(Synth.HeldNotes, 1);
  EXPECT_EQ(Label(), "G5");
}

TEST_F(NoteHandling, OtherMessageKindsDoNothing) {
  const NoteState before = Snapshot();
  for (uint32_t kind : {kMimOpen, kMimLongData, kMimError, kMimLongError, kMimMoreData, 0u})
    MidiInputHandler(nullptr, kind, 0, Word(0x90, 60, 100), 0);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Synth.NoteLabelSerial, 0u);
  EXPECT_EQ(midi_test::Wakes(), 0);
}

TEST(NoteNames, EveryMidiNoteHasItsNameAndOctave) {
  test::ResetSynth();
  const char* const names[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
  for (int note = 0; note <= 127; ++note)
    EXPECT_EQ(FormatNoteName(note), names[note % 12] + std::to_string(note / 12)) << note;
  EXPECT_EQ(FormatNoteName(61), "C#5");
  EXPECT_EQ(FormatNoteName(127), "G10");
}

TEST(NoteNames, ExtremeNotesGiveFinitePitchesAndWholeLabels) {
  test::ResetSynth();
  midi_test::ResetToolkit();
  NoteOn(0);
  EXPECT_NEAR(Synth.NoteFrequency, 8.1758, 1e-4);
  EXPECT_EQ(Label(), "C0");
  NoteOn(127);
  EXPECT_NEAR(Synth.NoteFrequency, 12543.854, 1e-3);
  NoteOff(0);
  NoteOff(0);

  // A word may carry a first data byte up to 255; its label still fits.
  NoteOn(255);
  EXPECT_TRUE(std::isfinite(Synth.NoteFrequency.load()));
  EXPECT_EQ(Label(), "Eb21");
  EXPECT_EQ(FormatNoteName(255), "Eb21");
}

} // namespace
} // namespace velmora
