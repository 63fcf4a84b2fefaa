// Packing whole messages into the handler's word, and refusing what the
// handler must never see as data.
#include "midi/message.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace velmora {
namespace {

std::optional<uint32_t> Pack(std::vector<uint8_t> bytes) { return PackShortMessage(bytes); }

TEST(MessagePacking, ShortMessagesKeepStatusAndDataInPlace) {
  EXPECT_EQ(Pack({0x90, 60, 100}), 0x643C90u);
  EXPECT_EQ(Pack({0x8F, 127, 127}), 0x7F7F8Fu);
  EXPECT_EQ(Pack({0xB3, 7, 0}), 0x0007B3u);
  EXPECT_EQ(Pack({0xE0, 0x00, 0x40}), 0x4000E0u);
  EXPECT_EQ(Pack({0xF2, 0x01, 0x02}), 0x0201F2u); // song position
  // One data byte: the second byte of the word stays 0.
  EXPECT_EQ(Pack({0xC0, 5}), 0x05C0u);
  EXPECT_EQ(Pack({0xDF, 0x40}), 0x40DFu);
  EXPECT_EQ(Pack({0xF1, 0x12}), 0x12F1u);
  EXPECT_EQ(Pack({0xF3, 0x03}), 0x03F3u);
  // Status alone: clock, active sensing, tune request, reset.
  EXPECT_EQ(Pack({0xF8}), 0xF8u);
  EXPECT_EQ(Pack({0xFE}), 0xFEu);
  EXPECT_EQ(Pack({0xF6}), 0xF6u);
  EXPECT_EQ(Pack({0xFF}), 0xFFu);
}

TEST(MessagePacking, LongAndBrokenMessagesNeverBecomeData) {
  EXPECT_EQ(Pack({}), std::nullopt);
  // System-exclusive data, whole or in pieces.
  EXPECT_EQ(Pack({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}), std::nullopt);
  EXPECT_EQ(Pack({0xF0, 0x90, 0x3C, 0x64}), std::nullopt);
  EXPECT_EQ(Pack({0xF0}), std::nullopt);
  EXPECT_EQ(Pack({0xF7}), std::nullopt);
  // Running-status fragments: data bytes without their status byte.
  EXPECT_EQ(Pack({60, 100}), std::nullopt);
  EXPECT_EQ(Pack({60}), std::nullopt);
  EXPECT_EQ(Pack({0x00, 0x00, 0x00}), std::nullopt);
  // Lengths that do not fit the status byte.
  EXPECT_EQ(Pack({0x90}), std::nullopt);
  EXPECT_EQ(Pack({0x90, 60}), std::nullopt);
  EXPECT_EQ(Pack({0x90, 60, 100, 64}), std::nullopt);
  EXPECT_EQ(Pack({0xC0}), std::nullopt);
  EXPECT_EQ(Pack({0xC0, 5, 6}), std::nullopt);
  EXPECT_EQ(Pack({0xF8, 0}), std::nullopt);
  // A status byte where a data byte belongs.
  EXPECT_EQ(Pack({0x90, 0x90, 0x40}), std::nullopt);
  EXPECT_EQ(Pack({0x90, 60, 0xF8}), std::nullopt);
}

} // namespace
} // namespace velmora
