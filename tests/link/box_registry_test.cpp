// The registry of simulated boxes.
#include "link/box_registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "support/temp_dir.h"

namespace tuneflash::testing {
namespace {

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
