// MIDI input: the port list, opening and switching ports, and the handler
// that turns channel-1 note messages into the note state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

struct MidiInputPort;

// Message kinds handed to the handler, with the values of the Windows
// multimedia interface whose callback shape the handler keeps.
constexpr uint32_t kMimOpen = 0x3C1;
constexpr uint32_t kMimClose = 0x3C2;
constexpr uint32_t kMimData = 0x3C3;
constexpr uint32_t kMimLongData = 0x3C4;
constexpr uint32_t kMimError = 0x3C5;
constexpr uint32_t kMimLongError = 0x3C6;
constexpr uint32_t kMimMoreData = 0x3CC;

// Called on the MIDI thread for every message, and on the user-interface
// thread with kMimClose when a port is closed. For kMimData, param1 holds the
// status byte in bits 0-7, the first data byte in 8-15, the second in 16-23.
void MidiInputHandler(MidiInputPort* handle, uint32_t message, uintptr_t instance, uintptr_t param1,
                      uintptr_t param2) noexcept;

// Label text for a note number: name and octave, "C5" for 60.
std::string FormatNoteName(int note);

// Fills the drop-down list (identifier 3) with the input ports' names and
// returns the number of ports found.
int ListMidiPorts();
// Opens and starts the port MidiDevice; silent on failure.
void OpenMidiPort();
// Closes the open port and opens the one selected in the drop-down list.
void SwitchMidiPort();
// Closes the open port when its source has gone away, which releases the
// notes held on it. Choosing the entry again reopens it once it is back.
void WatchMidiPort();

// ListMidiPorts in two steps, so the list can be built from any port report.
struct FoundMidiPort;
// Adds the ports whose names could be read to the drop-down list, in order,
// and remembers which port each list position stands for. Returns the number
// of ports reported, listed or not.
int FillMidiPortList(const std::vector<FoundMidiPort>& found);
// The port behind a list position; nullptr for a position not in the list.
const FoundMidiPort* ListedMidiPort(int position);

} // namespace velmora
