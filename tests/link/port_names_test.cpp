// Port names, the port list and the registry of simulated boxes.
#include "link/port_names.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "link/box_registry.h"
#include "support/temp_dir.h"

namespace tuneflash::testing {
namespace {

TEST(PortNamesTest, EntryNamesInBothSpellings) {
  EXPECT_EQ(PortEntryIndex("COM.03"), 2);
  EXPECT_EQ(PortEntryIndex("COM3"), 2);
  EXPECT_EQ(PortEntryIndex("com.10"), 9);
  EXPECT_EQ(PortEntryIndex("COM10"), 9);
  EXPECT_EQ(PortEntryIndex("COM1"), 0);
  for (const char* other : {"COM11", "COM0", "COM.00", "COM.11", "COM.1", "COM03", "/dev/ttyS0", "COM", ""}) {
    EXPECT_EQ(PortEntryIndex(other), std::nullopt) << other;
  }
}

TEST(PortNamesTest, EntriesOpenTheDevicesInOrder) {
  const std::vector<PortDevice> devices{{"/dev/ttyUSB0", "USB adapter"}, {"/tmp/box", "simulated box"}};
  EXPECT_EQ(ResolvePortName("COM.02", devices), "/tmp/box");
  EXPECT_EQ(ResolvePortName("COM1", devices), "/dev/ttyUSB0");
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

TEST(PortNamesTest, AnnouncedBoxesAreListedWhileTheyRun) {
  TempDir registry;
  {
    BoxAnnouncement first(registry.path(), "/tmp/box-a");
    BoxAnnouncement second(registry.path(), "/dev/pts/77");
    const auto boxes = ListAnnouncedBoxes(registry.path());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].path, "/tmp/box-a");
    EXPECT_EQ(boxes[1].path, "/dev/pts/77");
  }
  EXPECT_TRUE(ListAnnouncedBoxes(registry.path()).empty());
  // The entry of a box whose process is gone is skipped and cleared away.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const auto stale = registry / ("box-" + std::to_string(gone) + "-x");
  std::ofstream(stale) << "/tmp/gone\n";
  EXPECT_TRUE(ListAnnouncedBoxes(registry.path()).empty());
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(ListAnnouncedBoxes(registry / "missing").empty());
}

}  // namespace
}  // namespace tuneflash::testing
