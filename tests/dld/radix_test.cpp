#include "dld/radix.h"

#include <gtest/gtest.h>

#include <string>

namespace tuneflash {
namespace {

TEST(IntToRadixStr, PadsDropsSignAndRejectsBadBases) {
  EXPECT_EQ(IntToRadixStr(5, 8, 2, '0'), "00000101");
  EXPECT_EQ(IntToRadixStr(-5, 4, 2, '0'), "0101");
  EXPECT_EQ(IntToRadixStr(255, 1, 16, '0'), "FF");
  EXPECT_EQ(IntToRadixStr(35, 0, 36, ' '), "Z");
  EXPECT_EQ(IntToRadixStr(0, 3, 10, '*'), "**0");
  EXPECT_EQ(IntToRadixStr(7, 3, 1, '0'), "");
  EXPECT_EQ(IntToRadixStr(7, 3, 37, '0'), "");
}

TEST(RadixStrToInt, StopsBeforeExceedingTheLimit) {
  EXPECT_EQ(RadixStrToInt("101", 2, 9), 5);
  EXPECT_EQ(RadixStrToInt("1111", 2, 9), 7);
  // A free transponder index (ten one bits) decodes to its field limit.
  EXPECT_EQ(RadixStrToInt("1111111111", 2, 1023), 1023);
  // Twelve one bits against a 10-bit limit keep the longest leading run within it.
  EXPECT_EQ(RadixStrToInt("111111111111", 2, 1023), 1023);
  EXPECT_EQ(RadixStrToInt("11111111", 2, 63), 63);
  EXPECT_EQ(RadixStrToInt("1000000", 2, 63), 32);
}

TEST(RadixStrToInt, DigitsBasesAndEmptyTexts) {
  EXPECT_EQ(RadixStrToInt("", 2, 9), 0);
  EXPECT_EQ(RadixStrToInt("7", 10, 100), 7);
  EXPECT_EQ(RadixStrToInt("12", 1, 100), 0);
  EXPECT_EQ(RadixStrToInt("12", 37, 100), 0);
  EXPECT_EQ(RadixStrToInt("ff", 16, 1000), 255);
  EXPECT_EQ(RadixStrToInt("1021", 2, 1000), 2);  // '2' is not a base-2 digit
  EXPECT_EQ(RadixStrToInt("12x4", 10, 1000), 12);
  EXPECT_EQ(RadixStrToInt(std::string("\0\0"
                                      "11",
                                      4),
                          2, 9),
            3);
}

TEST(Radix, RoundTripsEveryFieldWidth) {
  for (int bits = 1; bits <= 16; ++bits) {
    const std::int64_t limit = (std::int64_t{1} << bits) - 1;
    for (std::int64_t v : {std::int64_t{0}, std::int64_t{1}, limit / 2, limit}) {
      EXPECT_EQ(RadixStrToInt(IntToRadixStr(v, bits, 2, '0'), 2, limit), v) << bits << " bits, value " << v;
    }
  }
}

}  // namespace
}  // namespace tuneflash
