// Port ranges of the bench.
#include "link/port_range.h"

#include <gtest/gtest.h>

#include "link/port_names.h"

namespace tuneflash {
namespace {

using Names = std::vector<std::string>;

TEST(ParsePortRange, RangesSingleNamesAndBothSpellings) {
  EXPECT_EQ(ParsePortRange("COM.01-COM.04").names, (Names{"COM.01", "COM.02", "COM.03", "COM.04"}));
  if (ShortComNamesAreEntries()) {
    EXPECT_EQ(ParsePortRange("com3-COM.05,COM10").names, (Names{"COM.03", "COM.04", "COM.05", "COM.10"}));
  } else {  // Windows: COM3 is a port of its own, not an entry
    EXPECT_EQ(ParsePortRange("com.03-COM.05,COM.10").names, (Names{"COM.03", "COM.04", "COM.05", "COM.10"}));
    EXPECT_TRUE(ParsePortRange("COM3-COM.05").problem);
  }
  EXPECT_EQ(ParsePortRange("COM.07").names, (Names{"COM.07"}));
  EXPECT_EQ(ParsePortRange("COM.02-COM.02").names, (Names{"COM.02"}));
  EXPECT_FALSE(ParsePortRange("COM.01-COM.10").problem);
}

TEST(ParsePortRange, EveryProblemNamesTheItem) {
  const std::pair<const char*, const char*> cases[] = {
      {"COM.08-COM.01", "'COM.08-COM.01' runs backwards"},
      {"COM.01-COM.11", "'COM.01-COM.11' is not a range"},
      {"/dev/ttyUSB0", "'/dev/ttyUSB0' is not COM.01"},
      {"COM.01,,COM.02", "an empty item"},
      {"", "an empty item"},
      {"COM.01-COM.03,COM.02", "COM.02 is named twice"},
      {"COM.01-", "'COM.01-' is not a range"},
  };
  for (const auto& [text, expected] : cases) {
    const auto parsed = ParsePortRange(text);
    ASSERT_TRUE(parsed.problem) << text;
    EXPECT_NE(parsed.problem->find(expected), std::string::npos) << *parsed.problem;
    EXPECT_TRUE(parsed.names.empty()) << text;
  }
}

}  // namespace
}  // namespace tuneflash
