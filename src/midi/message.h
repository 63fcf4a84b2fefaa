// Whole MIDI messages, as the platform hands them over, packed into the one
// 32-bit word that HandleMidiData takes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace velmora {

// Status byte in bits 0-7, first data byte in 8-15, second in 16-23; the
// bytes a message lacks stay 0. Gives nothing for what the handler must never
// see as data: an empty message, system-exclusive data, a message that starts
// with a data byte (a running-status fragment), and a message whose length
// does not match its status byte or whose data bytes have the top bit set.
std::optional<uint32_t> PackShortMessage(std::span<const uint8_t> bytes) noexcept;

} // namespace velmora
