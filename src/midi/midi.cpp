#include "midi/midi.h"

#include "core/ids.h"

#include "core/state.h"
#include "midi/port.h"
#include "ui/toolkit.h"

#include <climits>
#include <cmath>

namespace velmora {

namespace {

constexpr uint32_t kNoteOn = 0x90; // channel 1 only: the status byte is compared whole
constexpr uint32_t kNoteOff = 0x80;

// List position -> the port it names. User-interface thread only.
std::vector<FoundMidiPort> ListedPorts;

// Writes the name and octave of a note into text (room for 12 characters and
// the terminating NUL) without allocating, so the MIDI thread can use it.
void WriteNoteName(unsigned note, char* text) noexcept {
  const std::string& names = Synth.NoteNames; // two characters per semitone from C
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

void StartNote(unsigned note) noexcept {
  // The frequency is in place before the gate opens, so the audio thread
  // never starts a note at the pitch of the one before.
  Synth.NoteFrequency = 440.0 * std::pow(2.0, (static_cast<double>(note) - 69.0) / 12.0);
  const int32_t held = Synth.HeldNotes;
  if (held == 0) {
    Synth.Gate = 1;
    char text[16];
    WriteNoteName(note, text);
    Synth.NoteLabel = PackLabel(text);
  }
  // Saturates: a key that somehow sends note-ons without end cannot wrap the
  // count to negative.
  if (held < INT32_MAX)
    Synth.HeldNotes = held + 1;
}

// Note-offs are counted, not matched to notes: the gate closes when as many
// have come as note-ons.
void ReleaseNote() noexcept {
  int32_t held = Synth.HeldNotes;
  if (held > 0)
    Synth.HeldNotes = --held;
  if (held == 0) {
    // Gate first and PreviousFrequency last: the fade-out of the next note
    // start reads PreviousFrequency only after it has seen the gate open again.
    Synth.Gate = 0;
    Synth.NoteLabel = PackLabel("Off");
    Synth.NoteStarted = 0;
    Synth.AttackStarted = 0;
    Synth.PreviousFrequency = Synth.NoteFrequency.load();
  }
}

MidiInputPort* OpenListedPort(int position) {
  const FoundMidiPort* port = ListedMidiPort(position);
  return port == nullptr ? nullptr : OpenMidiInput(*port, MidiInputHandler, 0);
}

} // namespace

void MidiInputHandler(MidiInputPort*, uint32_t message, uintptr_t, uintptr_t param1,
                      uintptr_t) noexcept {
  if (message == kMimClose) {
    // Notes held on the closed port will never be released. The envelope flags
    // stay as they are, and the label shows "Off" from the next data message.
    Synth.HeldNotes = 0;
    Synth.Gate = 0;
    Synth.NoteLabel = PackLabel("Off");
    return;
  }
  if (message != kMimData)
    return;

  const uint32_t status = param1 & 0xFF;
  if (status == kNoteOn) {
    const uint32_t note = (param1 >> 8) & 0xFF;
    const uint32_t velocity = (param1 >> 16) & 0xFF;
    if (velocity != 0)
      StartNote(note);
    else
      ReleaseNote();
  } else if (status == kNoteOff) {
    ReleaseNote();
  }
  // Every data message, ignored ones too, has the label shown again. The
  // user-interface thread owns the widget; it notices the new serial.
  Synth.NoteLabelSerial.fetch_add(1);
  tk::Wake();
}

std::string FormatNoteName(int note) {
  if (note < 0)
    return {};
  char text[16];
  WriteNoteName(static_cast<unsigned>(note), text);
  return text;
}

int FillMidiPortList(const std::vector<FoundMidiPort>& found) {
  ListedPorts.clear();
  for (const FoundMidiPort& port : found) {
    // A port whose name cannot be read is left out; the positions after it
    // still lead to the ports they name.
    if (!port.Name)
      continue;
    tk::AddDropDownItem(kMidiPortList, *port.Name);
    ListedPorts.push_back(port);
  }
  return static_cast<int>(found.size());
}

const FoundMidiPort* ListedMidiPort(int position) {
  if (position < 0 || static_cast<size_t>(position) >= ListedPorts.size())
    return nullptr;
  return &ListedPorts[static_cast<size_t>(position)];
}

int ListMidiPorts() { return FillMidiPortList(FindMidiInputPorts()); }

void OpenMidiPort() {
  Synth.MidiIn = OpenListedPort(Synth.MidiDevice);
  if (Synth.MidiIn != nullptr && StartMidiInput(Synth.MidiIn))
    tk::SetLabelText(kNoteLabel, "Off");
}

void WatchMidiPort() {
  // A vanished source would leave its held notes sounding for ever; closing
  // the port releases them exactly as a port switch does.
  if (Synth.MidiIn != nullptr && !MidiInputSourcePresent(Synth.MidiIn)) {
    StopMidiInput(Synth.MidiIn);
    CloseMidiInput(Synth.MidiIn);
    Synth.MidiIn = nullptr;
  }
}

void SwitchMidiPort() {
  StopMidiInput(Synth.MidiIn);
  CloseMidiInput(Synth.MidiIn); // the handler gets kMimClose before this returns
  Synth.MidiIn = nullptr;
  Synth.MidiDevice = tk::SelectedDropDownItem(kMidiPortList);
  Synth.MidiIn = OpenListedPort(Synth.MidiDevice);
  StartMidiInput(Synth.MidiIn);
}

} // namespace velmora
