#include "dld/download_header.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "dld/builder.h"
#include "dld/file_io.h"
#include "dld/int_text.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

using testing::TempDir;
using testing::WriteBytes;

Bytes KeyFile(std::uint8_t ident = 0) {
  FILE_DOWNLOAD_HEADER_T identity;
  identity.ucIdent = ident;
  SetFieldText(identity.acManufacture, "MANUFACTURER123");  // exactly 15: no terminator
  SetFieldText(identity.acHardwareModule, "HWMOD");
  SetFieldText(identity.acSoftwareVersion, "V1.0");
  return BuildDownloadFile(identity, PartitionSet::Key, std::vector<Bytes>{Bytes(100, 0x42)});
}

class DownloadHeaderTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path file = dir / "key.dld";
  DownloadHeaderState state;
};

TEST_F(DownloadHeaderTest, LoadShowsSignedIdentAndFullWidthText) {
  WriteBytes(file, KeyFile(255));
  int notified = 0;
  state.SetDisplayListener([&](const FILE_DOWNLOAD_HEADER_SHOW_T&, bool cleared) {
    EXPECT_FALSE(cleared);
    ++notified;
  });
  ASSERT_TRUE(state.LoadDownloadHeader(file));
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(state.show().ident, -1);
  EXPECT_EQ(state.show().manufacture, "MANUFACTURER123");
  EXPECT_EQ(state.show().hardwareModule, "HWMOD");
  EXPECT_EQ(state.show().softwareVersion, "V1.0");
}

TEST_F(DownloadHeaderTest, UnreadableFileAfterClearShowsIdentZero) {
  state.ClearDownloadHeader();
  EXPECT_EQ(state.show().ident, -1);
  EXPECT_FALSE(state.LoadDownloadHeader(dir / "missing.dld"));
  EXPECT_EQ(state.show().ident, 0);
  EXPECT_EQ(state.show().manufacture, "");
}

TEST_F(DownloadHeaderTest, IdentEditChangesOnlyTheIdentAndCheckValue) {
  const Bytes before = KeyFile(0);
  WriteBytes(file, before);
  ASSERT_TRUE(state.LoadDownloadHeader(file));
  ASSERT_EQ(state.SetDownloadHeaderField(kFieldIdent, "1", file), HeaderWrite::Written);
  const Bytes after = ReadWholeFile(file);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    const bool mayChange = i == 3 || (i >= 67 && i <= 70);
    if (!mayChange) {
      EXPECT_EQ(after[i], before[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(after[3], 1);
  EXPECT_NE(GetLe32(after, 67), GetLe32(before, 67));
  EXPECT_EQ(GetLe32(after, 67), FILE_DOWNLOAD_HEADER_T::FromBytes(after).ComputeCrc());
  EXPECT_EQ(state.show().ident, 1);
}

TEST_F(DownloadHeaderTest, TextFieldsAreCutToTheirWidthWithoutTouchingTheNext) {
  WriteBytes(file, KeyFile());
  ASSERT_TRUE(state.LoadDownloadHeader(file));
  ASSERT_EQ(state.SetDownloadHeaderField(kFieldManufacture, "ABCDEFGHIJKLMNOPQ", file), HeaderWrite::Written);
  const Bytes after = ReadWholeFile(file);
  EXPECT_EQ(std::string(after.begin() + 4, after.begin() + 19), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(std::string(after.begin() + 19, after.begin() + 24), "HWMOD");
  EXPECT_EQ(state.show().manufacture, "ABCDEFGHIJKLMNOPQ");  // the display keeps the whole text
}

TEST_F(DownloadHeaderTest, StampTotalSizeStoresTheFileSize) {
  Bytes content = KeyFile();
  content.resize(70000, 0);
  WriteBytes(file, content);
  ASSERT_TRUE(state.LoadDownloadHeader(file));
  ASSERT_EQ(state.StampTotalSize(file), HeaderWrite::Written);
  const Bytes after = ReadWholeFile(file);
  EXPECT_EQ(after[53], 0x70);
  EXPECT_EQ(after[54], 0x11);
  EXPECT_EQ(after[55], 0x01);
}

TEST_F(DownloadHeaderTest, WritesOnlyToTheFileItWasLoadedFrom) {
  const Bytes original = KeyFile();
  WriteBytes(file, original);
  const auto other = dir / "other.dld";
  WriteBytes(other, original);
  ASSERT_TRUE(state.LoadDownloadHeader(file));
  EXPECT_EQ(state.SetDownloadHeaderField(kFieldIdent, "1", other), HeaderWrite::NotLoadedFromFile);
  state.ClearDownloadHeader();
  EXPECT_EQ(state.SetDownloadHeaderField(kFieldIdent, "1", file), HeaderWrite::NotLoadedFromFile);
  EXPECT_EQ(ReadWholeFile(file), original);
  EXPECT_EQ(ReadWholeFile(other), original);
}

TEST_F(DownloadHeaderTest, ConversionErrorAndReadOnlyFileWriteNothing) {
  const Bytes original = KeyFile();
  WriteBytes(file, original);
  ASSERT_TRUE(state.LoadDownloadHeader(file));
  EXPECT_THROW(state.SetDownloadHeaderField(kFieldIdent, "", file), ConversionError);
  EXPECT_EQ(ReadWholeFile(file), original);
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  if (!IsReadWritable(file)) {  // root may write anyway
    EXPECT_EQ(state.SetDownloadHeaderField(kFieldIdent, "1", file), HeaderWrite::CannotOpen);
    EXPECT_EQ(ReadWholeFile(file), original);
  }
}

TEST_F(DownloadHeaderTest, PartitionCountIsReadAsStored) {
  Bytes content = KeyFile();
  content[52] = 200;  // check value no longer holds; the byte is still read
  WriteBytes(file, content);
  EXPECT_EQ(ReadPartitionCount(file), 200);
  EXPECT_EQ(ReadPartitionCount(dir / "missing.dld"), -1);
}

}  // namespace
}  // namespace tuneflash
