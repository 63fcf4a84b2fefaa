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
#include "check.h"
#include "core/controls.h"
#include "midi/handler.h"
#include "midi/message.h"

#include <bit>
#include <cmath>
#include <vector>

namespace {

using namespace velmora;
EngineState& S = *new EngineState; // one state for the whole run, as the program has

void Deliver(uintptr_t word) {
  const double frequency = S.NoteFrequency;
  const int32_t held = S.HeldNotes, gate = S.Gate;
  const uint32_t serial = S.NoteLabelSerial;
  HandleMidiData(S, static_cast<uint32_t>(word));
  Check(S.NoteLabelSerial == serial + 1, "label serial not bumped once");
  Check(std::isfinite(S.NoteFrequency) && std::isfinite(S.PreviousFrequency) && S.HeldNotes >= 0 &&
            (S.HeldNotes == 0) == (S.Gate == 0),
        "a frequency is not finite, or the gate and the held count disagree");
  if ((word & 0xFF) != 0x90 && (word & 0xFF) != 0x80)
    Check(std::bit_cast<uint64_t>(frequency) == std::bit_cast<uint64_t>(S.NoteFrequency.load()) &&
              held == S.HeldNotes && gate == S.Gate,
          "a message other than a channel-1 note changed the note state");
}

void DeliverBytes(const std::vector<uint8_t>& bytes, bool mustBeRefused) {
  if (const auto word = PackShortMessage(bytes)) {
    Check(!mustBeRefused && (*word & 0x80) != 0 && (*word >> 24) == 0,
          "system-exclusive data, a fragment or a word without a status byte packed as data");
    Deliver(*word);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineDefaults(S);
  size_t at = 0;
  auto take = [&](size_t n, uint8_t mask, std::vector<uint8_t> bytes = {}, int end = -1) {
    for (; n > 0 && at < size; --n)
      bytes.push_back(data[at++] & mask);
    if (end >= 0)
      bytes.push_back(static_cast<uint8_t>(end));
    return bytes;
  };
  while (at < size) {
    const uint8_t op = data[at++];
    const unsigned arg = op >> 3;
    uintptr_t word = 0;
    switch (op & 7) {
    case 0:
      for (size_t i = 0; uint8_t byte : take(sizeof word, 0xFF)) // as memcpy on this machine
        word |= uintptr_t{byte} << 8 * i++;
      Deliver(word);
      break;
    case 1:
    case 2:
      DeliverBytes(take(arg % 8, 0xFF), false);
      break;
    case 3:
      DeliverBytes(take(arg, 0x7F, {0xF0}, 0xF7), true);
      break;
    case 4:
      S.NoteStarted = (arg & 1) != 0;
      S.AttackStarted = (arg & 2) != 0;
      break;
    case 5:
      HandleMidiClose(S);
      Check(S.HeldNotes == 0 && S.Gate == 0 && S.NoteStarted == 0 && S.AttackStarted == 0 &&
                S.PreviousFrequency == S.NoteFrequency,
            "a close left the note sounding");
      break;
    case 6:
      S.HeldNotes = INT32_MAX - static_cast<int32_t>(arg);
      S.Gate = 1;
      break;
    case 7:
      DeliverBytes(take(arg % 4, 0x7F), true);
      break;
    }
  }
  return 0;
}
