// The MIDI message handler: turns channel-1 note messages into the note state
// of the engine state it is given, and names the note for the label. It runs
// on the MIDI thread and knows nothing of the window.
#pragma once

#include "engine/state.h"

#include <cstddef>
#include <cstdint>
#include <string>

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
// thread with kMimClose when a port is closed. instance is the EngineState*
// the messages play. For kMimData, param1 holds the status byte in bits 0-7,
// the first data byte in 8-15, the second in 16-23.
void MidiInputHandler(MidiInputPort* handle, uint32_t message, uintptr_t instance, uintptr_t param1,
                      uintptr_t param2) noexcept;

// The handler's two cases on a state directly: one data message (the packed
// word above), and the close of the port the notes came from, which releases
// the held notes as their last note-off would.
void HandleMidiData(EngineState& s, uint32_t word) noexcept;
void HandleMidiClose(EngineState& s) noexcept;

// Label text for a note number: name and octave, "C5" for 60.
std::string FormatNoteName(const EngineState& s, int note);

// Up to 8 characters into one word and back (see PackedLabel).
PackedLabel PackLabel(const char* text) noexcept;
std::string UnpackLabel(PackedLabel packed);

} // namespace velmora
