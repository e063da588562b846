// The bytes of the link's frames and the status vocabulary.
#include <gtest/gtest.h>

#include "dld/crc32.h"
#include "link/link_frames.h"
#include "link/upgrade_status.h"

namespace tuneflash::testing {
namespace {

TEST(FramesTest, ReceivedStatusFramesMapByCodeAndSubCode) {
  const auto status = [](std::uint8_t code, std::uint8_t sub, std::uint8_t last = 0x03) {
    const Bytes frame{0x02, code, sub, last};
    return StatusOfReceivedFrame(frame);
  };
  EXPECT_EQ(status(5, 1), kEraseSuccess);
  EXPECT_EQ(status(5, 0), kEraseFailed);
  EXPECT_EQ(status(6, 7), kProgramSuccess);
  EXPECT_EQ(status(3, 0), kVerifyFailed);
  EXPECT_EQ(status(1, 9, 0x00), kConnecting);  // byte 3 is ignored
  EXPECT_EQ(status(10, 0), kDownloadRequest);
  for (const int none : {0, 7, 8, 13, 255}) {
    EXPECT_EQ(status(static_cast<std::uint8_t>(none), 1), -1) << none;
  }
  EXPECT_EQ(StatusOfReceivedFrame(Bytes{0x03, 0x01, 0x00, 0x03}), -1);
}

TEST(FramesTest, StatusTextsAndPercentages) {
  EXPECT_EQ(StatusText(kUpdateSuccess), "Update Success!");
  EXPECT_EQ(StatusText(kConnecting), "Connectting...");
  EXPECT_FALSE(StatusText(kStatus3));
  EXPECT_FALSE(StatusText(27));
  EXPECT_EQ(PercentText(kTransferPercentPrefix, 1, 3), "Transfering Data:  33%");
  EXPECT_EQ(PercentText(kTransferPercentPrefix, 2, 3), "Transfering Data:  66%");
  EXPECT_EQ(PercentText(kTransferPercentPrefix, 3, 3), "Transfering Data:  100%");
  EXPECT_EQ(PercentText(kErasePercentPrefix, 1, 4), "Erase flash...  25%");
  EXPECT_FALSE(MakeStatusFrame(kConnectSuccess));
}

TEST(FramesTest, ADataBlockOfThreeBytes) {
  const DataBlock block = MakeDataBlock(0x105, Bytes{1, 2, 3});
  EXPECT_EQ(block[0], 0x02);
  EXPECT_EQ(block[1], 0x05);
  EXPECT_EQ(block[2], 0xFA);
  EXPECT_EQ(block[3], 1);
  EXPECT_EQ(block[5], 3);
  EXPECT_TRUE(std::all_of(block.begin() + 6, block.end() - 1, [](auto b) { return b == 0; }));
  EXPECT_EQ(block[1023], 6);
  EXPECT_TRUE(IsValidDataBlock(block));
  for (const std::size_t at : {0, 2, 100, 1023}) {
    DataBlock bad = block;
    bad[at] ^= 0x10;
    EXPECT_FALSE(IsValidDataBlock(bad)) << at;
  }
  EXPECT_THROW(MakeDataBlock(1, Bytes(1021)), std::length_error);
}

TEST(FramesTest, DownloadBlocksOfARecord) {
  EXPECT_EQ(DownloadBlockLengths(2000), (std::vector<std::size_t>{1020, 980}));
  EXPECT_EQ(DownloadBlockLengths(2040), (std::vector<std::size_t>{1020, 1020, 0}));
  EXPECT_EQ(DownloadBlockLengths(9), (std::vector<std::size_t>{9}));
}

TEST(FramesTest, TheKeyUploadRequest) {
  const UploadRequestFrame frame = MakeUploadRequestFrame(PartitionsOf(PartitionSet::Key));
  const Bytes head{0x02, 0x10, 0x00, 0x01, 0x00, 0x00, 0x00, 0x18, 0x40, 0x00, 0x00, 0x01};
  EXPECT_TRUE(std::equal(head.begin(), head.end(), frame.begin()));
  EXPECT_EQ(GetLe32(frame, 12), CalcCrc32(head));
  EXPECT_TRUE(std::all_of(frame.begin() + 16, frame.end(), [](auto b) { return b == 0; }));
  const auto areas = ParseUploadRequestFrame(frame);
  ASSERT_TRUE(areas);
  ASSERT_EQ(areas->size(), 1u);
  EXPECT_EQ((*areas)[0].address, 0x40180000u);
  EXPECT_EQ((*areas)[0].size, 0x10000u);
}

TEST(FramesTest, RequestsThatDoNotHoldAreRejected) {
  const UploadRequestFrame all = MakeUploadRequestFrame(PartitionsOf(PartitionSet::All));
  EXPECT_EQ(ParseUploadRequestFrame(all)->size(), 34u);
  UploadRequestFrame bad = all;
  bad[20] ^= 1;
  EXPECT_FALSE(ParseUploadRequestFrame(bad));
  bad = all;
  bad[3] = 200;  // more areas than fit
  EXPECT_FALSE(ParseUploadRequestFrame(bad));
  EXPECT_FALSE(ParseUploadRequestFrame(ByteSpan(all).first(100)));
}

}  // namespace
}  // namespace tuneflash::testing
