// Downloads over a real pseudo-terminal into the simulated box, with the
// real serial layer: the observer calls, the blocks the box saw, and faults.
#include "link/download.h"

#include <sys/stat.h>

#include "dld/download_header.h"
#include "link_fixture.h"

namespace tuneflash::testing {
namespace {

struct Downloaded {
  bool ok = false;
  std::optional<LinkFailure> failure;
  RecordingObserver observer;
  boxsim::BoxRecord record;
};

Downloaded Download(const Bytes& file, const boxsim::BoxFaults& faults = {},
                    LinkTiming timing = FastTiming()) {
  TempDir dir;
  const auto path = dir / "file.dld";
  WriteBytes(path, file);
  BoxOnLine line(faults);
  Downloaded d;
  EXPECT_TRUE(line.Connect(d.observer));
  DownloadOptions options;
  options.timing = timing;
  const auto result = DownloadFile(line.port, d.observer, path, ReadPartitionCount(path), options);
  d.ok = result.has_value();
  if (!result) d.failure = result.error();
  d.record = line.box.Record();
  return d;
}

TEST(DownloadTest, BlockNumbersRunOnAcrossPartitionsAndEachRecordEndsShort) {
  const Bytes file = SetFile(PartitionSet::Data);
  const auto d = Download(file);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(8));
  ASSERT_FALSE(d.record.blockNumbers.empty());
  for (std::size_t i = 0; i < d.record.blockNumbers.size(); ++i) {
    EXPECT_EQ(d.record.blockNumbers[i], static_cast<std::uint8_t>(i + 1)) << "block " << i;
  }
  // Every block carries 1020 bytes except the last of each data record.
  int shortBlocks = 0;
  for (const std::size_t n : d.record.blockLengths) shortBlocks += n < kDataBlockPayload ? 1 : 0;
  EXPECT_EQ(shortBlocks, 8);
  EXPECT_EQ(d.record.downloadsCompleted, 1);
  EXPECT_EQ(d.observer.bytes, file.size() - kHeaderRecordSize - 8 * kPartitionRecordSize);
}

TEST(DownloadTest, ARecordOfExactly2040BytesEndsWithABlockWithoutData) {
  const auto d = Download(OnePartitionFile(2040));
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.blockLengths, (std::vector<std::size_t>{1020, 1020, 0}));
  EXPECT_EQ(d.record.blockNumbers, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(DownloadTest, ARecordOf2000BytesGoesAs1020And980) {
  const auto d = Download(OnePartitionFile(2000));
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.blockLengths, (std::vector<std::size_t>{1020, 980}));
  EXPECT_EQ(d.record.blockNumbers, (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(1));
}

TEST(DownloadTest, AHeaderRefusedThreeTimesIsSentAgainUntilAccepted) {
  boxsim::BoxFaults faults;
  faults.refuseHeader = 3;
  const auto d = Download(SetFile(PartitionSet::Key), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.headersReceived, 4);
  EXPECT_EQ(d.record.headersRefused, 3);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(1));
}

TEST(DownloadTest, ARefusedBlockIsSentAgain) {
  boxsim::BoxFaults faults;
  faults.nakBlock = 2;
  const auto d = Download(SetFile(PartitionSet::Key), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.naksSent, 1);
  // The refused block 2 is taken on its second arrival, numbers unchanged.
  for (std::size_t i = 0; i < d.record.blockNumbers.size(); ++i) {
    EXPECT_EQ(d.record.blockNumbers[i], static_cast<std::uint8_t>(i + 1));
  }
}

TEST(DownloadTest, AStrayByteBeforeAReplyIsDropped) {
  boxsim::BoxFaults faults;
  faults.strayBeforeReply = 3;  // before the ACK of the first data block
  const auto d = Download(SetFile(PartitionSet::Key), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(1));
}

TEST(DownloadTest, AHeaderTheBoxDoesNotVerifyFailsWithVerifyFailed) {
  Bytes file = SetFile(PartitionSet::Key);
  file[10] ^= 0x01;  // the payload no longer matches the header's check value
  const auto d = Download(file);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.observer.Only("status"),
            (std::vector<std::string>{"Connect Success!", "Verify...", "Verify failed!"}));
}

TEST(DownloadTest, OneEraseFailureStillPassesAndShowsEveryQuarter) {
  boxsim::BoxFaults faults;
  faults.eraseFailPartition = 1;
  const auto d = Download(SetFile(PartitionSet::Loader), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(4));
}

TEST(DownloadTest, AsManyEraseFailuresInARowAsPartitionsFail) {
  boxsim::BoxFaults faults;
  faults.eraseFailPartition = 0;
  faults.eraseFailTimes = 4;
  const auto d = Download(SetFile(PartitionSet::Loader), faults);
  EXPECT_FALSE(d.ok);
  const auto statuses = d.observer.Only("status");
  EXPECT_EQ(statuses.back(), "Erase flash failed!");
  EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "Erase flash...  25%"), 0);
}

TEST(DownloadTest, SilenceInMidTransferFailsWithinThePollLimits) {
  boxsim::BoxFaults faults;
  faults.silentAfterBlock = 3;
  LinkTiming timing = FastTiming();
  timing.replyPolls = 50;  // ten unanswered sends then cost about half a second
  const auto d = Download(SetFile(PartitionSet::Data), faults, timing);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.observer.Only("status").back(), "Transfer failed!");
  EXPECT_EQ(d.record.blockNumbers.size(), 3u);
}

TEST(DownloadTest, AWrongTagInTheMiddleFailsTheTransfer) {
  Bytes file = SetFile(PartitionSet::Default);
  const std::size_t second = kHeaderRecordSize + kPartitionRecordSize + GetLe24(file, 98) + 4;
  ASSERT_EQ(file[second], kPartitionTag);
  file[second] = 0x44;
  const auto d = Download(file);
  EXPECT_FALSE(d.ok);
  const auto statuses = d.observer.Only("status");
  EXPECT_EQ(statuses.back(), "Transfer failed!");
  EXPECT_EQ(statuses[statuses.size() - 2], "Transfering Data:  50%");
}

TEST(DownloadTest, ADataRecordRunningPastTheEndOfTheFileFailsTheTransfer) {
  Bytes file = SetFile(PartitionSet::Key);
  file.resize(file.size() - 100);
  const auto d = Download(file);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.observer.Only("status").back(), "Transfer failed!");
}

TEST(DownloadTest, AReadOnlyFileFailsTheHeaderCheck) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens read-only files for writing";
  TempDir dir;
  const auto path = dir / "ro.dld";
  WriteBytes(path, SetFile(PartitionSet::Key));
  ::chmod(path.c_str(), 0444);
  BoxOnLine line;
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  EXPECT_FALSE(DownloadFile(line.port, observer, path, 1, {true, FastTiming()}));
  EXPECT_EQ(observer.Only("status").back(), "Verify failed!");
}

TEST(DownloadTest, AMissingFileFailsTheHeaderCheck) {
  BoxOnLine line;
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  EXPECT_FALSE(DownloadFile(line.port, observer, "/nonexistent/file.dld", 1, {true, FastTiming()}));
  EXPECT_EQ(observer.Only("status").back(), "Verify failed!");
}

TEST(DownloadTest, ClosingThePortMidTransferEndsWithTheRunningStepsText) {
  TempDir dir;
  const auto path = dir / "file.dld";
  WriteBytes(path, SetFile(PartitionSet::Data));
  BoxOnLine line;
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  observer.onPump = [&] {
    if (observer.events.size() > 9) line.port.CloseComPort();  // during the second partition
  };
  EXPECT_FALSE(DownloadFile(line.port, observer, path, 8, {false, FastTiming()}));
  EXPECT_EQ(observer.Only("status").back(), "Transfer failed!");
  EXPECT_EQ(observer.Only("status").front(), "Verify...");  // the SatcoDX run leaves out "Connect Success!"
}

}  // namespace
}  // namespace tuneflash::testing
