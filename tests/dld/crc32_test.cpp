#include "dld/crc32.h"

#include <gtest/gtest.h>

#include <string_view>

#include "dld/bytes.h"

namespace tuneflash {
namespace {

ByteSpan Ascii(std::string_view s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

TEST(CalcCrc32, KnownVectors) {
  EXPECT_EQ(CalcCrc32(ByteSpan{}), 0xFFFFFFFFu);
  EXPECT_EQ(CalcCrc32(Ascii("123456789")), 0x0376E6E7u);
  EXPECT_EQ(CalcCrc32(Ascii("abc")), 0x9B73448Cu);
  const std::uint8_t zero[1] = {0};
  EXPECT_EQ(CalcCrc32(zero), 0x4E08BFB4u);
}

TEST(CalcCrc32, CountCoversOnlyTheFirstBytes) {
  const auto data = Ascii("123456789abc");
  EXPECT_EQ(CalcCrc32(data, 9), 0x0376E6E7u);
  EXPECT_EQ(CalcCrc32(data, 0), 0xFFFFFFFFu);
  EXPECT_EQ(CalcCrc32(data, -5), 0xFFFFFFFFu);
  EXPECT_THROW(CalcCrc32(data, 13), std::out_of_range);
}

TEST(CalcCrc32, StoredLeastSignificantByteFirst) {
  std::uint8_t stored[4] = {};
  PutLe32(stored, 0, CalcCrc32(Ascii("123456789")));
  EXPECT_EQ(stored[0], 0xE7);
  EXPECT_EQ(stored[1], 0xE6);
  EXPECT_EQ(stored[2], 0x76);
  EXPECT_EQ(stored[3], 0x03);
}

}  // namespace
}  // namespace tuneflash
