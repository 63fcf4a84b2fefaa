#include "midi/message.h"

namespace velmora {

namespace {

// Bytes in a whole message that starts with this status byte, status
// included; 0 for the bytes that open and close system-exclusive data, whose
// length is open-ended.
size_t ShortMessageLength(uint8_t status) noexcept {
  if (status < 0xF0)
    return (status & 0xE0) == 0xC0 ? 2 : 3; // program change and channel pressure: one data byte
  switch (status) {
  case 0xF0:
  case 0xF7:
    return 0;
  case 0xF1: // time code quarter frame
  case 0xF3: // song select
    return 2;
  case 0xF2: // song position
    return 3;
  default: // tune request, real-time messages and the undefined ones
    return 1;
  }
}

} // namespace

std::optional<uint32_t> PackShortMessage(std::span<const uint8_t> bytes) noexcept {
  if (bytes.empty() || bytes[0] < 0x80)
    return std::nullopt;
  const size_t length = ShortMessageLength(bytes[0]);
  if (length == 0 || bytes.size() != length)
    return std::nullopt;
  uint32_t word = bytes[0];
  for (size_t i = 1; i < length; ++i) {
    if (bytes[i] >= 0x80)
      return std::nullopt;
    word |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  }
  return word;
}

} // namespace velmora
