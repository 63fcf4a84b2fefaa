// The MIDI message handler: turns channel-1 note messages into the note state
// of the engine state it is given, and names the note for the label. It runs
// on the MIDI thread and knows nothing of the window.
#pragma once

#include "engine/state.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {

// The handler's two cases: one data message, on the MIDI thread, whose word
// holds the status byte in bits 0-7, the first data byte in 8-15, the second
// in 16-23; and the close of the port the notes came from, on the
// user-interface thread, which releases the held notes as their last
// note-off would.
void HandleMidiData(EngineState& s, uint32_t word) noexcept;
void HandleMidiClose(EngineState& s) noexcept;

// Label text for a note number: name and octave, "C5" for 60.
std::string FormatNoteName(const EngineState& s, int note);

// Up to 8 characters into one word and back (see PackedLabel).
PackedLabel PackLabel(const char* text) noexcept;
std::string UnpackLabel(PackedLabel packed);

} // namespace velmora
