// Packing whole messages into the handler's word, and refusing what the
// handler must never see as data.
#include "midi/message.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace velmora {
namespace {

TEST(MessagePacking, WordOrRefusal) {
  const std::optional<uint32_t> no;
  // clang-format off
  const std::pair<std::vector<uint8_t>, std::optional<uint32_t>> rows[] = {
      {{0x90, 60, 100}, 0x643C90u}, {{0x8F, 127, 127}, 0x7F7F8Fu}, {{0xE0, 0x00, 0x40}, 0x4000E0u},
      {{0xF2, 1, 2}, 0x0201F2u}, {{0xC0, 5}, 0x05C0u}, {{0xDF, 0x40}, 0x40DFu},
      {{0xF1, 0x12}, 0x12F1u}, {{0xF3, 3}, 0x03F3u}, {{0xF8}, 0xF8u}, {{0xF6}, 0xF6u}, {{0xFF}, 0xFFu},
      // Nothing for: no bytes, system-exclusive data whole or in pieces,
      // running-status fragments, lengths that do not fit the status byte, a
      // status byte where a data byte belongs.
      {{}, no}, {{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}, no}, {{0xF0, 0x90, 0x3C, 0x64}, no},
      {{0xF0}, no}, {{0xF7}, no}, {{60, 100}, no}, {{0, 0, 0}, no}, {{0x90}, no}, {{0x90, 60}, no},
      {{0x90, 60, 100, 64}, no}, {{0xC0, 5, 6}, no}, {{0xF8, 0}, no}, {{0x90, 0x90, 0x40}, no},
      {{0x90, 60, 0xF8}, no}};
  // clang-format on
  for (const auto& [bytes, word] : rows)
    EXPECT_EQ(PackShortMessage(bytes), word) << testing::PrintToString(bytes);
}

} // namespace
} // namespace velmora
