// Fuzz target for MIDI input: arbitrary words and byte messages go through
// the packing into the handler, with port closes and the audio thread's
// note-start flags mixed in. Aborts when system-exclusive data or a fragment
// is packed as data, when anything but a channel-1 note message changes the
// note state, when the gate disagrees with the held count, or when a
// frequency stops being finite. (The handler's cases themselves are the
// unit tests' table; this looks for what a table does not think of.)
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

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace velmora;

EngineState& S() {
  static const auto state = std::make_unique<EngineState>();
  return *state;
}

void Check(bool condition, const char* what, uintptr_t word) {
  if (!condition) {
    std::fprintf(stderr, "after word %#llx: %s\n", static_cast<unsigned long long>(word), what);
    std::abort();
  }
}

void Deliver(uintptr_t word) {
  EngineState& s = S();
  const double frequency = s.NoteFrequency;
  const int32_t held = s.HeldNotes, gate = s.Gate;
  const uint32_t serial = s.NoteLabelSerial;
  MidiInputHandler(nullptr, kMimData, reinterpret_cast<uintptr_t>(&s), word, 0);
  Check(s.NoteLabelSerial == serial + 1, "label serial not bumped once", word);
  Check(std::isfinite(s.NoteFrequency) && std::isfinite(s.PreviousFrequency),
        "a frequency is not finite", word);
  Check(s.HeldNotes >= 0 && (s.HeldNotes == 0) == (s.Gate == 0), "gate and held count disagree",
        word);
  const uint32_t status = word & 0xFF;
  if (status != 0x90 && status != 0x80)
    Check(std::bit_cast<uint64_t>(frequency) == std::bit_cast<uint64_t>(s.NoteFrequency.load()) &&
              held == s.HeldNotes && gate == s.Gate,
          "a message other than a channel-1 note changed the note state", word);
}

void DeliverBytes(const std::vector<uint8_t>& bytes, bool mustBeRefused) {
  if (const auto word = PackShortMessage(bytes)) {
    Check(!mustBeRefused, "system-exclusive data or a fragment packed as data", *word);
    Check((*word & 0x80) != 0 && (*word >> 24) == 0, "packed word without a status byte", *word);
    Deliver(*word);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EngineState& s = S();
  InitEngineDefaults(s);
  size_t at = 0;
  auto take = [&](size_t n, uint8_t mask) {
    std::vector<uint8_t> bytes(data + at, data + at + std::min(n, size - at));
    at += bytes.size();
    for (uint8_t& b : bytes)
      b &= mask;
    return bytes;
  };
  while (at < size) {
    const uint8_t op = data[at++];
    const unsigned arg = op >> 3;
    switch (op & 7) {
    case 0: {
      uintptr_t word = 0;
      const auto bytes = take(sizeof word, 0xFF);
      if (!bytes.empty())
        std::memcpy(&word, bytes.data(), bytes.size());
      Deliver(word);
      break;
    }
    case 1:
    case 2:
      DeliverBytes(take(arg % 8, 0xFF), false);
      break;
    case 3: {
      std::vector<uint8_t> sysex = take(arg, 0x7F);
      sysex.insert(sysex.begin(), 0xF0);
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
      Check(s.HeldNotes == 0 && s.Gate == 0 && s.NoteStarted == 0 && s.AttackStarted == 0 &&
                s.PreviousFrequency == s.NoteFrequency,
            "a close left the note sounding", 0);
      break;
    case 6:
      s.HeldNotes = INT32_MAX - static_cast<int32_t>(arg);
      s.Gate = 1;
      break;
    case 7:
      DeliverBytes(take(arg % 4, 0x7F), true);
      break;
    }
  }
  return 0;
}
