// Fuzz target for MIDI input: arbitrary words and byte messages go through
// the packing into MidiInputHandler, with port closes and the audio thread's
// note-start flags mixed in. Aborts when anything but a channel-1 note
// message changes the note state, when the held count, gate or flags go
// wrong for a note message, or when a frequency stops being finite.
//
// Input, read as a sequence of operations; each starts with one byte whose
// low three bits choose:
//   0      a word handed to the handler directly: the next 8 bytes
//   1, 2   a byte message of (op >> 3) % 8 bytes, packed first
//   3      system-exclusive data of (op >> 3) bytes framed by F0 ... F7
//   4      the audio thread takes the note: NoteStarted, AttackStarted from bits 3, 4
//   5      the port closes
//   6      many notes held: HeldNotes = INT32_MAX - (op >> 3), gate open
//   7      a running-status fragment: (op >> 3) % 4 data bytes alone
#include "core/state.h"
#include "midi/message.h"
#include "midi/midi.h"
#include "midi/port.h"
#include "ui/toolkit.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace velmora {

// The toolkit and the platform as the handler sees them: nothing but Wake is
// reachable from it, and the port functions are never called here.
namespace {
unsigned Wakes = 0;
[[noreturn]] void Unreachable(const char* what) {
  std::fprintf(stderr, "%s called from the fuzz target\n", what);
  std::abort();
}
} // namespace

namespace tk {
void Wake() { ++Wakes; }
void AddDropDownItem(int, const std::string&) { Unreachable("AddDropDownItem"); }
int SelectedDropDownItem(int) { Unreachable("SelectedDropDownItem"); }
void SetLabelText(int, const std::string&) { Unreachable("SetLabelText"); }
} // namespace tk

std::vector<FoundMidiPort> FindMidiInputPorts() { Unreachable("FindMidiInputPorts"); }
MidiInputPort* OpenMidiInput(const FoundMidiPort&, MidiHandler, uintptr_t) {
  Unreachable("OpenMidiInput");
}
bool StartMidiInput(MidiInputPort*) { Unreachable("StartMidiInput"); }
void StopMidiInput(MidiInputPort*) { Unreachable("StopMidiInput"); }
void CloseMidiInput(MidiInputPort*) { Unreachable("CloseMidiInput"); }
bool MidiInputSourcePresent(MidiInputPort*) { Unreachable("MidiInputSourcePresent"); }

namespace {

struct NoteState {
  double NoteFrequency, PreviousFrequency;
  int32_t Gate, HeldNotes, NoteStarted, AttackStarted;
  PackedLabel NoteLabel;
  uint32_t Serial;
};

NoteState Snapshot() {
  return {Synth.NoteFrequency, Synth.PreviousFrequency, Synth.Gate,      Synth.HeldNotes,
          Synth.NoteStarted,   Synth.AttackStarted,     Synth.NoteLabel, Synth.NoteLabelSerial};
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void Check(bool condition, const char* what, uintptr_t word) {
  if (!condition) {
    std::fprintf(stderr, "after word %#llx: %s\n", static_cast<unsigned long long>(word), what);
    std::abort();
  }
}

void CheckFinite() {
  Check(std::isfinite(Synth.NoteFrequency.load()), "NoteFrequency not finite", 0);
  Check(std::isfinite(Synth.PreviousFrequency.load()), "PreviousFrequency not finite", 0);
}

void Deliver(uintptr_t word) {
  const NoteState before = Snapshot();
  const unsigned wakes = Wakes;
  MidiInputHandler(nullptr, kMimData, 0, word, 0);
  const NoteState after = Snapshot();

  Check(after.Serial == before.Serial + 1, "label serial not bumped once", word);
  Check(Wakes == wakes + 1, "user-interface thread not woken once", word);
  CheckFinite();

  const uint32_t status = word & 0xFF;
  const uint32_t note = (word >> 8) & 0xFF;
  const uint32_t velocity = (word >> 16) & 0xFF;
  if (status != 0x90 && status != 0x80) {
    Check(SameBits(after.NoteFrequency, before.NoteFrequency) &&
              SameBits(after.PreviousFrequency, before.PreviousFrequency) &&
              after.Gate == before.Gate && after.HeldNotes == before.HeldNotes &&
              after.NoteStarted == before.NoteStarted &&
              after.AttackStarted == before.AttackStarted && after.NoteLabel == before.NoteLabel,
          "a message other than a channel-1 note changed the note state", word);
    return;
  }

  if (status == 0x90 && velocity != 0) {
    const double expected = 440.0 * std::pow(2.0, (static_cast<double>(note) - 69.0) / 12.0);
    Check(after.NoteFrequency == expected && after.NoteFrequency > 0, "note-on pitch", word);
    Check(after.HeldNotes == (before.HeldNotes == INT32_MAX ? INT32_MAX : before.HeldNotes + 1),
          "note-on held count", word);
    Check(after.Gate == 1, "gate closed after a note-on", word);
    Check(before.HeldNotes != 0 || after.NoteLabel == PackLabel(FormatNoteName(int(note)).c_str()),
          "label of a note that opens the gate", word);
    Check(before.HeldNotes == 0 || after.NoteLabel == before.NoteLabel,
          "label changed by a legato note", word);
    Check(SameBits(after.PreviousFrequency, before.PreviousFrequency) &&
              after.NoteStarted == before.NoteStarted &&
              after.AttackStarted == before.AttackStarted,
          "note-on touched the release fields", word);
    return;
  }

  // Note-off, or note-on with velocity 0.
  Check(SameBits(after.NoteFrequency, before.NoteFrequency), "release changed the pitch", word);
  Check(after.HeldNotes == (before.HeldNotes > 0 ? before.HeldNotes - 1 : 0), "release held count",
        word);
  if (after.HeldNotes == 0) {
    Check(after.Gate == 0 && after.NoteStarted == 0 && after.AttackStarted == 0,
          "last release left the gate or a flag set", word);
    Check(SameBits(after.PreviousFrequency, after.NoteFrequency),
          "last release did not keep the pitch for the fade-out", word);
    Check(after.NoteLabel == PackLabel("Off"), "last release label", word);
  } else {
    Check(after.Gate == before.Gate && after.NoteLabel == before.NoteLabel &&
              SameBits(after.PreviousFrequency, before.PreviousFrequency),
          "a release with notes still held changed the note", word);
  }
}

void DeliverBytes(const std::vector<uint8_t>& bytes, bool mustBeRefused) {
  const auto word = PackShortMessage(bytes);
  if (word) {
    Check(!mustBeRefused, "system-exclusive data or a fragment packed as data", *word);
    Check((*word & 0x80) != 0 && (*word >> 24) == 0, "packed word without a status byte", *word);
    Deliver(*word);
  }
}

} // namespace
} // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  InitSynthState();
  size_t at = 0;
  auto take = [&](size_t n) {
    std::vector<uint8_t> bytes(data + at, data + at + std::min(n, size - at));
    at += bytes.size();
    return bytes;
  };
  while (at < size) {
    const uint8_t op = data[at++];
    const unsigned arg = op >> 3;
    switch (op & 7) {
    case 0: {
      uintptr_t word = 0;
      const auto bytes = take(sizeof word);
      if (!bytes.empty())
        std::memcpy(&word, bytes.data(), bytes.size());
      Deliver(word);
      break;
    }
    case 1:
    case 2:
      DeliverBytes(take(arg % 8), false);
      break;
    case 3: {
      std::vector<uint8_t> sysex = {0xF0};
      for (uint8_t b : take(arg))
        sysex.push_back(b & 0x7F);
      sysex.push_back(0xF7);
      DeliverBytes(sysex, true);
      break;
    }
    case 4:
      Synth.NoteStarted = (arg & 1) != 0;
      Synth.AttackStarted = (arg & 2) != 0;
      break;
    case 5: {
      const NoteState before = Snapshot();
      MidiInputHandler(nullptr, kMimClose, 0, 0, 0);
      Check(Synth.HeldNotes == 0 && Synth.Gate == 0, "close left notes held", 0);
      Check(Synth.NoteStarted == before.NoteStarted && Synth.AttackStarted == before.AttackStarted,
            "close changed the envelope flags", 0);
      Check(Synth.NoteLabelSerial == before.Serial, "close refreshed the label", 0);
      break;
    }
    case 6:
      Synth.HeldNotes = INT32_MAX - static_cast<int32_t>(arg);
      Synth.Gate = 1;
      break;
    case 7: {
      std::vector<uint8_t> fragment;
      for (uint8_t b : take(arg % 4))
        fragment.push_back(b & 0x7F);
      DeliverBytes(fragment, true);
      break;
    }
    }
    CheckFinite();
  }
  return 0;
}
