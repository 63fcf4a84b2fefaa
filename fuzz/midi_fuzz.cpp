// Fuzz target for MIDI input: arbitrary words and byte messages go through
// the packing into the handler, with port closes and the audio thread's
// note-start flags mixed in. Aborts when anything but a channel-1 note
// message changes the note state, when the held count, gate, flags or label
// go wrong for a note message or a close, or when a frequency stops being
// finite.
//
// Input, read as a sequence of operations; each starts with one byte whose
// low three bits choose:
//   0      a word handed to the handler as the platform does: the next 8 bytes
//   1, 2   a byte message of (op >> 3) % 8 bytes, packed first
//   3      system-exclusive data of (op >> 3) bytes framed by F0 ... F7
//   4      the audio thread takes the note: NoteStarted, AttackStarted from bits 3, 4
//   5      the port closes
//   6      many notes held: HeldNotes = INT32_MAX - (op >> 3), gate open
//   7      a running-status fragment: (op >> 3) % 4 data bytes alone
#include "core/controls.h"
#include "midi/handler.h"
#include "midi/message.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace velmora {
namespace {

EngineState& S() {
  static const auto state = std::make_unique<EngineState>();
  return *state;
}

struct NoteState {
  double NoteFrequency, PreviousFrequency;
  int32_t Gate, HeldNotes, NoteStarted, AttackStarted;
  PackedLabel NoteLabel;
  uint32_t Serial;
};

NoteState Snapshot() {
  const EngineState& s = S();
  return {s.NoteFrequency, s.PreviousFrequency, s.Gate,      s.HeldNotes,
          s.NoteStarted,   s.AttackStarted,     s.NoteLabel, s.NoteLabelSerial};
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void Check(bool condition, const char* what, uintptr_t word) {
  if (!condition) {
    std::fprintf(stderr, "after word %#llx: %s\n", static_cast<unsigned long long>(word), what);
    std::abort();
  }
}

// The state a release leaves when no note is held any more.
void CheckReleased(const NoteState& after, uintptr_t word) {
  Check(after.HeldNotes == 0 && after.Gate == 0 && after.NoteStarted == 0 &&
            after.AttackStarted == 0,
        "the last release left the gate, the count or a flag set", word);
  Check(SameBits(after.PreviousFrequency, after.NoteFrequency),
        "the last release did not keep the pitch for the fade-out", word);
  Check(after.NoteLabel == PackLabel("Off"), "the last release's label", word);
}

void Deliver(uintptr_t word) {
  const NoteState before = Snapshot();
  MidiInputHandler(nullptr, kMimData, reinterpret_cast<uintptr_t>(&S()), word, 0);
  const NoteState after = Snapshot();
  Check(after.Serial == before.Serial + 1, "label serial not bumped once", word);
  Check(std::isfinite(after.NoteFrequency) && std::isfinite(after.PreviousFrequency),
        "a frequency is not finite", word);

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
    Check(before.HeldNotes != 0 ||
              after.NoteLabel == PackLabel(FormatNoteName(S(), int(note)).c_str()),
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
  if (after.HeldNotes == 0)
    CheckReleased(after, word);
  else
    Check(after.Gate == before.Gate && after.NoteLabel == before.NoteLabel &&
              SameBits(after.PreviousFrequency, before.PreviousFrequency),
          "a release with notes still held changed the note", word);
}

void DeliverBytes(const std::vector<uint8_t>& bytes, bool mustBeRefused) {
  if (const auto word = PackShortMessage(bytes)) {
    Check(!mustBeRefused, "system-exclusive data or a fragment packed as data", *word);
    Check((*word & 0x80) != 0 && (*word >> 24) == 0, "packed word without a status byte", *word);
    Deliver(*word);
  }
}

} // namespace
} // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  EngineState& s = S();
  InitEngineDefaults(s);
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
      s.NoteStarted = (arg & 1) != 0;
      s.AttackStarted = (arg & 2) != 0;
      break;
    case 5:
      MidiInputHandler(nullptr, kMimClose, reinterpret_cast<uintptr_t>(&s), 0, 0);
      CheckReleased(Snapshot(), 0);
      break;
    case 6:
      s.HeldNotes = INT32_MAX - static_cast<int32_t>(arg);
      s.Gate = 1;
      break;
    case 7: {
      std::vector<uint8_t> fragment;
      for (uint8_t b : take(arg % 4))
        fragment.push_back(b & 0x7F);
      DeliverBytes(fragment, true);
      break;
    }
    }
  }
  return 0;
}
