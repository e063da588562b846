// Whole-file writes and private work directories, on each platform's own calls.
#include "dld/file_io.h"

#include <gtest/gtest.h>

#include "dld/work_dir.h"
#include "support/temp_dir.h"

namespace tuneflash::testing {
namespace {

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::size_t EntriesIn(const std::filesystem::path& dir) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++count;
  return count;
}

TEST(FileIoTest, AnAtomicWriteReplacesTheFileAndLeavesNothingBeside) {
  TempDir dir;
  const auto target = dir / "box.dld";
  for (const std::string content : {"first", "second, longer than the first", ""}) {
    WriteFileAtomically(target, Text(content));
    EXPECT_EQ(ReadWholeFile(target), Text(content));
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << "a temporary file was left beside the target";
  }
}

TEST(FileIoTest, FailuresNameTheFileAndWriteNothing) {
  TempDir dir;
  const auto missing = dir / "no-such-folder" / "box.dld";
  try {
    WriteFileAtomically(missing, Text("data"));
    FAIL() << "wrote into a missing folder";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), missing);
  }
  EXPECT_THROW(ReadWholeFile(dir / "absent.dld"), FileError);
  EXPECT_EQ(EntriesIn(dir.path()), 0u);
}

TEST(FileIoTest, PrivateWorkDirectoriesAreFreshAndGoUnlessKept) {
  TempDir base;
  std::filesystem::path kept;
  {
    PrivateWorkDirectory first(base / "work");
    PrivateWorkDirectory second(base / "work");
    EXPECT_NE(first.path(), second.path());
    EXPECT_EQ(first.path().parent_path(), base / "work");
    WriteFileAtomically(first.path() / "image.bin", Text("x"));
    second.Keep();
    kept = second.path();
  }
  EXPECT_TRUE(std::filesystem::is_directory(kept));
  EXPECT_EQ(EntriesIn(base / "work"), 1u);
}

}  // namespace
}  // namespace tuneflash::testing
