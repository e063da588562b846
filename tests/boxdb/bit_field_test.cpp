#include "boxdb/bit_field.h"

#include <gtest/gtest.h>

#include <random>

#include "boxdb/field_tables.h"

namespace tuneflash {
namespace {

std::uint32_t Decode(std::uint32_t word, const BitField& field) {
  Bytes bytes(4);
  PutLe32(bytes, 0, word);
  return DecodeBitField(bytes, BitField{field.name, 0, field.high, field.low, field.limit});
}

TEST(BitFieldDecode, ValueAboveLimitGivesLongestLeadingRunWithinLimit) {
  const auto& tpIndex = kProgramFields[program_bits::kTpIndex];
  EXPECT_EQ(Decode(0xFFF00000, tpIndex), 1023u);  // twelve ones under 2000
  EXPECT_EQ(Decode(0x7D000000, tpIndex), 2000u);  // the limit itself
  EXPECT_EQ(Decode(0x00FF, kSatTpFields[sat_tp_bits::kSatIndex]), 63u);
  EXPECT_EQ(Decode(0x1FFu << 16, BitField{"", 0, 24, 16, 400}), 255u);
  EXPECT_EQ(Decode(4000u << 19, kSatelliteFields[satellite_bits::kLongitude]), 2000u);
  EXPECT_EQ(Decode(2u << 18, kSatTpFields[sat_tp_bits::kPolarisation]), 1u);
  EXPECT_EQ(Decode(9u << 20, kSatTpFields[sat_tp_bits::kFec]), 4u);
  EXPECT_EQ(Decode(3u << 1, kProgramFields[program_bits::kServiceType]), 1u);
  EXPECT_EQ(Decode(5u << 13, kProgramFields[program_bits::kCaCount]), 2u);
  // Leading zero digits count: 0b0101 under the limit 4 reads 010, then stops.
  EXPECT_EQ(Decode(0b0101, BitField{"", 0, 3, 0, 4}), 2u);
}

TEST(BitFieldDecode, EveryValueWithinItsLimitDecodesToItself) {
  std::mt19937 rng(7);
  for (const auto& field : kProgramFields) {
    for (int i = 0; i < 200; ++i) {
      const auto value = static_cast<std::uint32_t>(rng() % (field.limit + 1)) & ((1u << field.Width()) - 1u);
      const auto noise = static_cast<std::uint32_t>(rng());
      const std::uint32_t mask = ((field.Width() == 32 ? 0u : (1u << field.Width())) - 1u) << field.low;
      Bytes record(kProgramSize);
      PutLe32(record, field.word, (noise & ~mask) | (value << field.low));
      ASSERT_EQ(DecodeBitField(record, field), value) << field.name;
    }
  }
}

TEST(BitFieldEncode, SplicesFieldsAndKeepsOtherBits) {
  Bytes word{0xAA, 0xAA, 0xAA, 0xAA};
  const std::array fields{BitField{"a", 0, 31, 20, 4095}, BitField{"b", 0, 7, 0, 255}};
  const std::array<std::int64_t, 2> values{0x123, 0x45};
  ASSERT_TRUE(EncodeBitFields(word, fields, values));
  EXPECT_EQ(GetLe32(word, 0), 0x123AAA45u);
}

TEST(BitFieldEncode, MinusOneIsAllOnesOfItsField) {
  Bytes word(4, 0);
  ASSERT_TRUE(EncodeBitField(word, BitField{"provider", 0, 24, 16, 400}, -1));
  EXPECT_EQ(GetLe32(word, 0), 0x01FF0000u);
}

TEST(BitFieldEncode, ValueTooWideIsRefusedAndNothingIsWritten) {
  Bytes record(8, 0x11);
  const std::array fields{BitField{"pid", 0, 12, 0, 8191}, BitField{"other", 4, 31, 0, 0xFFFFFFFF}};
  EXPECT_FALSE(EncodeBitFields(record, fields, std::array<std::int64_t, 2>{8192, 5}));
  EXPECT_FALSE(EncodeBitFields(record, fields, std::array<std::int64_t, 2>{-2, 5}));
  EXPECT_EQ(record, Bytes(8, 0x11));
  EXPECT_TRUE(EncodeBitFields(record, fields, std::array<std::int64_t, 2>{8191, 5}));
  EXPECT_EQ(GetLe32(record, 0), 0x11111FFFu);
  EXPECT_EQ(GetLe32(record, 4), 5u);
}

TEST(BitFieldEncode, WholeProgramTableRoundTrips) {
  std::mt19937 rng(11);
  for (int i = 0; i < 100; ++i) {
    std::array<std::int64_t, program_bits::kCount> values{};
    for (std::size_t f = 0; f < values.size(); ++f) values[f] = rng() % (kProgramFields[f].limit + 1);
    Bytes record(kProgramSize, 0);
    ASSERT_TRUE(EncodeBitFields(record, kProgramFields, values));
    const auto decoded = DecodeBitFields(record, kProgramFields);
    for (std::size_t f = 0; f < values.size(); ++f)
      ASSERT_EQ(decoded[f], values[f]) << kProgramFields[f].name;
  }
}

}  // namespace
}  // namespace tuneflash
