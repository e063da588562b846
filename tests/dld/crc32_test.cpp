#include "dld/crc32.h"

#include <gtest/gtest.h>

#include <string_view>

#include "dld/builder.h"
#include "dld/bytes.h"
#include "dld/records.h"

namespace tuneflash {
namespace {

ByteSpan Ascii(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

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

TEST(CalcCrc32, HeaderCarriesItsCheckValueLeastSignificantByteFirst) {
  // A sealed header record: the check value over bytes 3..66 stands in bytes 67..70, low byte first.
  FILE_DOWNLOAD_HEADER_T header;
  SetFieldText(header.acManufacture, "MAKER");
  header.ucPartitionCount = 8;
  const auto sealed = SealHeader(header);
  const std::uint32_t crc = CalcCrc32(ByteSpan(sealed).subspan(kHeaderPayloadOffset, kHeaderPayloadSize));
  EXPECT_EQ(sealed[kHeaderCrcOffset], crc & 0xFF);
  EXPECT_EQ(sealed[kHeaderCrcOffset + 1], (crc >> 8) & 0xFF);
  EXPECT_EQ(sealed[kHeaderCrcOffset + 2], (crc >> 16) & 0xFF);
  EXPECT_EQ(sealed[kHeaderCrcOffset + 3], crc >> 24);
  EXPECT_EQ(header.uiCrc, crc);
  // A byte of the covered area changes it.
  auto changed = header;
  SetFieldText(changed.acManufacture, "MAKES");
  EXPECT_NE(SealHeader(changed)[kHeaderCrcOffset], sealed[kHeaderCrcOffset]);
}

}  // namespace
}  // namespace tuneflash
