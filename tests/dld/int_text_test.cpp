#include "dld/int_text.h"

#include <gtest/gtest.h>

namespace tuneflash {
namespace {

TEST(StrToInt, DecimalSignsAndLeadingSpaces) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("  42"), 42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-7"), -7);
  EXPECT_EQ(StrToInt("0160"), 160);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, EveryHexadecimalPrefix) {
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("x1f"), 31);
  EXPECT_EQ(StrToInt("X1F"), 31);
  EXPECT_EQ(StrToInt("0x1F"), 31);
  EXPECT_EQ(StrToInt("0XfF"), 255);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
}

TEST(StrToInt, RejectsWithTheMessageNamingTheText) {
  for (const char* bad :
       {"", " ", "12 ", "1a", "$", "0x", "--1", "+", "2147483648", "-2147483649", "$100000000", "1.5", "_"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
      EXPECT_EQ(e.text(), bad);
    }
  }
}

}  // namespace
}  // namespace tuneflash
