// Port names and the port list.
#include "link/port_names.h"

#include <gtest/gtest.h>

namespace tuneflash::testing {
namespace {

// "COM1".."COM10" name the entries on POSIX; on Windows they are the ports.
std::optional<int> ShortNameEntry(int index) {
  return ShortComNamesAreEntries() ? std::optional<int>(index) : std::nullopt;
}

TEST(PortNamesTest, EntryNamesInBothSpellings) {
  EXPECT_EQ(PortEntryIndex("COM.03"), 2);
  EXPECT_EQ(PortEntryIndex("COM3"), ShortNameEntry(2));
  EXPECT_EQ(PortEntryIndex("com.10"), 9);
  EXPECT_EQ(PortEntryIndex("COM10"), ShortNameEntry(9));
  EXPECT_EQ(PortEntryIndex("COM1"), ShortNameEntry(0));
  for (const char* other : {"COM11", "COM0", "COM.00", "COM.11", "COM.1", "COM03", "/dev/ttyS0", "COM", ""}) {
    EXPECT_EQ(PortEntryIndex(other), std::nullopt) << other;
  }
}

TEST(PortNamesTest, EntriesOpenTheDevicesInOrder) {
  const std::vector<PortDevice> devices{{"/dev/ttyUSB0", "USB adapter"}, {"/tmp/box", "simulated box"}};
  EXPECT_EQ(ResolvePortName("COM.02", devices), "/tmp/box");
  EXPECT_EQ(ResolvePortName("COM1", devices), ShortComNamesAreEntries() ? "/dev/ttyUSB0" : "COM1");
  EXPECT_EQ(ResolvePortName("COM12", devices), "COM12");
  EXPECT_EQ(ResolvePortName("COM.03", devices), std::nullopt);
  EXPECT_EQ(ResolvePortName("/dev/ttyS4", devices), "/dev/ttyS4");
  const auto entries = MakePortEntries(devices);
  ASSERT_EQ(entries.size(), 10u);
  EXPECT_EQ(entries[0].name, "COM.01");
  EXPECT_EQ(entries[9].name, "COM.10");
  EXPECT_EQ(entries[1].device, "/tmp/box");
  EXPECT_NE(entries[1].tooltip.find("/tmp/box"), std::string::npos);
  EXPECT_TRUE(entries[2].device.empty());
}

}  // namespace
}  // namespace tuneflash::testing
