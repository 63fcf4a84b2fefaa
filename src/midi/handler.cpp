#include "midi/handler.h"

#include <climits>
#include <cmath>

namespace velmora {

namespace {

constexpr uint32_t kNoteOn = 0x90; // channel 1 only: the status byte is compared whole
constexpr uint32_t kNoteOff = 0x80;

// Writes the name and octave of a note into text (room for 12 characters and
// the terminating NUL) without allocating, so the MIDI thread can use it.
void WriteNoteName(const EngineState& s, unsigned note, char* text) noexcept {
  const std::string& names = s.NoteNames; // two characters per semitone from C
  const size_t at = 2 * (note % 12);
  char pair[2] = {' ', ' '};
  for (size_t i = 0; i < 2; ++i) {
    if (at + i < names.size())
      pair[i] = names[at + i];
  }
  size_t length = 0;
  const size_t first = pair[0] == ' ' ? (pair[1] == ' ' ? 2 : 1) : 0;
  const size_t last = pair[1] == ' ' ? 1 : 2;
  for (size_t i = first; i < last; ++i)
    text[length++] = pair[i];

  char digits[10];
  size_t count = 0;
  unsigned octave = note / 12;
  do {
    digits[count++] = static_cast<char>('0' + octave % 10);
    octave /= 10;
  } while (octave != 0);
  while (count != 0)
    text[length++] = digits[--count];
  text[length] = '\0';
}

void StartNote(EngineState& s, unsigned note) noexcept {
  // The frequency is in place before the gate opens, so the audio thread
  // never starts a note at the pitch of the one before.
  s.NoteFrequency = 440.0 * std::pow(2.0, (static_cast<double>(note) - 69.0) / 12.0);
  const int32_t held = s.HeldNotes;
  if (held == 0) {
    s.Gate = 1;
    char text[16];
    WriteNoteName(s, note, text);
    s.NoteLabel = PackLabel(text);
  }
  // Saturates: a key that somehow sends note-ons without end cannot wrap the
  // count to negative.
  if (held < INT32_MAX)
    s.HeldNotes = held + 1;
}

// The gate closes on the sounding note. Gate first and PreviousFrequency
// last: the fade-out of the next note start reads PreviousFrequency only
// after it has seen the gate open again.
void EndNote(EngineState& s) noexcept {
  s.Gate = 0;
  s.NoteLabel = PackLabel("Off");
  s.NoteStarted = 0;
  s.AttackStarted = 0;
  s.PreviousFrequency = s.NoteFrequency.load();
}

// Note-offs are counted, not matched to notes: the gate closes when as many
// have come as note-ons.
void ReleaseNote(EngineState& s) noexcept {
  int32_t held = s.HeldNotes;
  if (held > 0)
    s.HeldNotes = --held;
  if (held == 0)
    EndNote(s);
}

} // namespace

void HandleMidiData(EngineState& s, uint32_t word) noexcept {
  const uint32_t status = word & 0xFF;
  if (status == kNoteOn) {
    const uint32_t note = (word >> 8) & 0xFF;
    const uint32_t velocity = (word >> 16) & 0xFF;
    if (velocity != 0)
      StartNote(s, note);
    else
      ReleaseNote(s);
  } else if (status == kNoteOff) {
    ReleaseNote(s);
  }
  // Every data message, ignored ones too, has the label shown again. The
  // user-interface thread owns the widget; it notices the new serial.
  s.NoteLabelSerial.fetch_add(1);
}

void HandleMidiClose(EngineState& s) noexcept {
  // Notes held on the closed port will never be released: they end as the
  // last note-off would end them, so the next note, from whatever port, gets
  // its fade-out and attack.
  s.HeldNotes = 0;
  EndNote(s);
}

std::string FormatNoteName(const EngineState& s, int note) {
  if (note < 0)
    return {};
  char text[16];
  WriteNoteName(s, static_cast<unsigned>(note), text);
  return text;
}

PackedLabel PackLabel(const char* text) noexcept {
  PackedLabel packed = 0;
  for (int i = 0; i < 8 && text[i] != '\0'; ++i)
    packed |= static_cast<PackedLabel>(static_cast<unsigned char>(text[i])) << (8 * i);
  return packed;
}

std::string UnpackLabel(PackedLabel packed) {
  std::string text;
  for (int i = 0; i < 8; ++i) {
    const char c = static_cast<char>((packed >> (8 * i)) & 0xFF);
    if (c == '\0')
      break;
    text.push_back(c);
  }
  return text;
}

} // namespace velmora
