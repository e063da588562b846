// Uploads over a real pseudo-terminal from the simulated box: every set down
// and back up, the file the upload writes, and faults on the box's side.
#include "link/upload.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "dld/crc32.h"
#include "dld/download_header.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"
#include "link/download.h"
#include "link_fixture.h"

namespace tuneflash::testing {
namespace {

struct Uploaded {
  bool ok = false;
  std::optional<LinkFailure> failure;
  RecordingObserver observer;
  boxsim::BoxRecord record;
};

Uploaded Upload(BoxOnLine& line, const std::filesystem::path& target, PartitionSet set,
                LinkTiming timing = FastTiming()) {
  Uploaded u;
  DownloadHeaderState header;
  EXPECT_TRUE(line.Connect(u.observer));
  const int before = line.box.Record().uploadsCompleted;
  const auto result = UploadFile(line.port, u.observer, header, target, set, timing);
  u.ok = result.has_value();
  if (!result) u.failure = result.error();
  // The PC's last ACK may still be on its way to the box.
  for (int i = 0; u.ok && i < 200 && line.box.Record().uploadsCompleted == before; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  u.record = line.box.Record();
  return u;
}

class EverySet : public ::testing::TestWithParam<PartitionSet> {};

TEST_P(EverySet, GoesDownIntoTheBoxAndComesBackUpTheSame) {
  const PartitionSet set = GetParam();
  const int n = static_cast<int>(PartitionsOf(set).size());
  TempDir dir;
  const Bytes file = SetFile(set, 7);
  WriteBytes(dir / "down.dld", file);
  BoxOnLine line;
  RecordingObserver down;
  ASSERT_TRUE(line.Connect(down));
  ASSERT_TRUE(DownloadFile(line.port, down, dir / "down.dld", n, {true, FastTiming()}));
  EXPECT_EQ(down.events, CleanDownloadEvents(n));

  EXPECT_EQ(line.box.Record().received, DownloadFrames(file));
  const auto u = Upload(line, dir / "up.dld", set);
  ASSERT_TRUE(u.ok);
  EXPECT_EQ(u.observer.events, CleanUploadEvents(n));
  // Every frame each way, in order, and nothing the box had to refuse.
  auto frames = DownloadFrames(file);
  const auto up = UploadFrames(file);
  frames.insert(frames.end(), up.begin(), up.end());
  EXPECT_EQ(u.record.received, frames);
  EXPECT_TRUE(u.record.protocolErrors.empty());
  const Bytes upFile = ReadWholeFile(dir / "up.dld");
  const VerifyReport report = VerifyDownloadFile(upFile, true);
  ASSERT_TRUE(report.ok()) << report.failure->reason;
  const auto images = SetImages(set, 7);
  ASSERT_EQ(report.partitions.size(), images.size());
  for (std::size_t i = 0; i < images.size(); ++i)
    EXPECT_EQ(report.partitions[i].raw, images[i]) << "partition " << i;
  // The same compressor on the same images: the very same file comes back.
  EXPECT_EQ(upFile, file);
  EXPECT_FALSE(std::filesystem::exists(PartialUploadPath(dir / "up.dld")));
}

INSTANTIATE_TEST_SUITE_P(Sets, EverySet,
                         ::testing::Values(PartitionSet::Data, PartitionSet::Default, PartitionSet::Key,
                                           PartitionSet::Loader, PartitionSet::App, PartitionSet::All),
                         [](const auto& p) { return std::string(PartitionSetName(p.param)); });

TEST(UploadTest, AnUploadFromOneBoxDownloadsIntoAnother) {
  TempDir dir;
  auto source = FastBoxOptions();
  source.flashFile = dir / "flash.bin";
  Bytes flash(boxsim::FlashModel::kSize);
  for (std::size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<std::uint8_t>((i * 13) >> 7);
  WriteBytes(source.flashFile, flash);
  {
    BoxOnLine first(source);
    ASSERT_TRUE(Upload(first, dir / "data.dld", PartitionSet::Data).ok);
  }
  auto target = FastBoxOptions();
  target.flashFile = dir / "second.bin";  // saved after the download
  BoxOnLine second(target);
  RecordingObserver observer;
  ASSERT_TRUE(second.Connect(observer));
  ASSERT_TRUE(DownloadFile(second.port, observer, dir / "data.dld", ReadPartitionCount(dir / "data.dld"),
                           {true, FastTiming()}));
  boxsim::FlashModel copied;
  copied.Load(target.flashFile);
  for (const auto& p : PartitionsOf(PartitionSet::Data)) {
    const auto at = flash.begin() + (p.address - boxsim::FlashModel::kBase);
    EXPECT_EQ(copied.Read(p.address, p.size), Bytes(at, at + p.size)) << std::hex << p.address;
  }
}

TEST(UploadTest, TheKeyRequestAsksForOneArea) {
  TempDir dir;
  BoxOnLine line;
  const auto u = Upload(line, dir / "key.dld", PartitionSet::Key);
  ASSERT_TRUE(u.ok);
  ASSERT_EQ(u.record.lastUploadRequest.size(), 1u);
  EXPECT_EQ(u.record.lastUploadRequest[0].address, 0x40180000u);
  EXPECT_EQ(u.record.lastUploadRequest[0].size, 0x10000u);
  // Never-programmed flash reads 0xFF.
  const auto report = VerifyDownloadFile(ReadWholeFile(dir / "key.dld"), true);
  ASSERT_TRUE(report.ok());
  EXPECT_EQ(report.partitions[0].raw, Bytes(0x10000, 0xFF));
}

TEST(UploadTest, TheHeaderCarriesSetCountAndFileSize) {
  TempDir dir;
  BoxOnLine line;
  ASSERT_TRUE(Upload(line, dir / "data.dld", PartitionSet::Data).ok);
  const Bytes file = ReadWholeFile(dir / "data.dld");
  EXPECT_EQ(file[51], 0);
  EXPECT_EQ(file[52], 8);
  EXPECT_EQ(GetLe24(file, 53), file.size());
  EXPECT_EQ(GetLe32(file, kHeaderCrcOffset), CalcCrc32(ByteSpan(file).subspan(3, 64)));
  // The box's default identity, as the header state shows it.
  DownloadHeaderState header;
  header.LoadDownloadHeader(dir / "data.dld");
  EXPECT_EQ(header.show().manufacture, "TUNEFLASH-SIM");
}

TEST(UploadTest, ABlockWithABadSumIsRefusedAndLogged) {
  TempDir dir;
  boxsim::BoxFaults faults;
  faults.badUploadSumBlock = 2;
  BoxOnLine line(faults);
  const auto u = Upload(line, dir / "default.dld", PartitionSet::Default);
  ASSERT_TRUE(u.ok);
  EXPECT_EQ(u.observer.Only("log"), std::vector<std::string>{"Get Data: Send NAK"});
  EXPECT_EQ(u.record.naksReceived, 1);
  EXPECT_TRUE(VerifyDownloadFile(ReadWholeFile(dir / "default.dld")).ok());
  // The NAK stands in the frames where the ACK of block 2 would be.
  auto frames = UploadFrames(ReadWholeFile(dir / "default.dld"));
  frames.insert(frames.begin() + 7, "nak");
  EXPECT_EQ(u.record.received, frames);
}

TEST(UploadTest, APartitionRecordWithABadCheckValueIsRefusedAndLogged) {
  TempDir dir;
  boxsim::BoxFaults faults;
  faults.badUploadPartition = true;
  BoxOnLine line(faults);
  const auto u = Upload(line, dir / "key.dld", PartitionSet::Key);
  ASSERT_TRUE(u.ok);
  EXPECT_EQ(u.observer.Only("log"), std::vector<std::string>{"Get Partition: Send NAK"});
  EXPECT_EQ(u.record.naksReceived, 1);
  EXPECT_TRUE(VerifyDownloadFile(ReadWholeFile(dir / "key.dld")).ok());
}

TEST(UploadTest, NoHeaderFromTheBoxIsRefusedTenTimesThenVerifyFails) {
  TempDir dir;
  boxsim::BoxFaults faults;
  faults.noUploadHeader = true;
  BoxOnLine line(faults);
  LinkTiming timing = FastTiming();
  timing.recordPolls = 20;
  const auto u = Upload(line, dir / "key.dld", PartitionSet::Key, timing);
  EXPECT_FALSE(u.ok);
  EXPECT_EQ(u.observer.Only("status").back(), "Verify failed!");
  auto frames = std::vector<std::string>{"status 0900"};
  frames.insert(frames.end(), 10, "nak");
  frames.push_back("status 0300");  // the PC's verdict
  for (int i = 0; i < 100 && line.box.Record().received.size() < frames.size(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(line.box.Record().received, frames);
  ASSERT_TRUE(u.failure);
  EXPECT_EQ(u.failure->phase, LinkPhase::Verify);
  EXPECT_EQ(u.failure->cause, FailureCause::NoReply);
}

TEST(UploadTest, ARequestRefusedTenTimesFailsTheTransfer) {
  TempDir dir;
  boxsim::BoxFaults faults;
  faults.refuseUploadRequest = 10;
  BoxOnLine line(faults);
  const auto u = Upload(line, dir / "key.dld", PartitionSet::Key);
  EXPECT_FALSE(u.ok);
  EXPECT_EQ(u.observer.Only("status").back(), "Transfer failed!");
  ASSERT_TRUE(u.failure);
  EXPECT_EQ(u.failure->cause, FailureCause::NakLimit);
  EXPECT_EQ(u.failure->reply, kNak);
  EXPECT_EQ(std::count(u.record.received.begin(), u.record.received.end(), "request"), 10);
}

TEST(UploadTest, AHangUpEndsTheUploadAndLeavesTheTarget) {
  TempDir dir;
  WriteBytes(dir / "old.dld", Bytes{1, 2, 3});
  boxsim::BoxFaults faults;
  faults.hangupAfterBlock = 3;
  BoxOnLine line(faults);
  const auto u = Upload(line, dir / "old.dld", PartitionSet::Data);
  EXPECT_FALSE(u.ok);
  EXPECT_EQ(u.observer.Only("status").back(), "Transfer failed!");
  ASSERT_TRUE(u.failure);
  EXPECT_EQ(u.failure->cause, FailureCause::PortGone);
  EXPECT_EQ(u.failure->phase, LinkPhase::Transfer);
  EXPECT_NE(u.failure->detail.find("went away"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(dir / "old.dld"), (Bytes{1, 2, 3}));
}

TEST(UploadTest, AHeaderWithABadCheckValueFailsWithVerifyFailed) {
  TempDir dir;
  boxsim::BoxFaults faults;
  faults.badUploadHeader = true;
  BoxOnLine line(faults);
  const auto u = Upload(line, dir / "key.dld", PartitionSet::Key);
  EXPECT_FALSE(u.ok);
  EXPECT_EQ(u.observer.Only("status"),
            (std::vector<std::string>{"Connect Success!", "Verify...", "Verify failed!"}));
  EXPECT_FALSE(std::filesystem::exists(dir / "key.dld"));
}

TEST(UploadTest, AFailedUploadLeavesTheTargetAndKeepsWhatArrived) {
  TempDir dir;
  WriteBytes(dir / "old.dld", Bytes{1, 2, 3});
  boxsim::BoxFaults faults;
  faults.silentAfterBlock = 5;
  BoxOnLine line(faults);
  LinkTiming timing = FastTiming();
  timing.blockPolls = 30;
  timing.recordPolls = 30;
  const auto u = Upload(line, dir / "old.dld", PartitionSet::Data, timing);
  EXPECT_FALSE(u.ok);
  EXPECT_EQ(u.observer.Only("status").back(), "Transfer failed!");
  EXPECT_EQ(u.observer.Only("log").size(), 10u);
  EXPECT_EQ(ReadWholeFile(dir / "old.dld"), (Bytes{1, 2, 3}));
  const Bytes partial = ReadWholeFile(PartialUploadPath(dir / "old.dld"));
  EXPECT_EQ(GetLe24(partial, 53), 0u);  // no size stamped
  EXPECT_EQ(partial[kFirstPartitionRecordOffset], kPartitionTag);
}

TEST(UploadTest, ModeIndexesPickSetsAndCounts) {
  EXPECT_EQ(UploadSetForModeIndex(1), PartitionSet::Data);
  EXPECT_EQ(UploadSetForModeIndex(7), PartitionSet::Data);
  EXPECT_EQ(UploadSetForModeIndex(6), PartitionSet::All);
  EXPECT_EQ(UploadSetForModeIndex(0), std::nullopt);
  EXPECT_EQ(UploadSetForModeIndex(8), std::nullopt);
  const int counts[] = {0, 8, 2, 1, 4, 27, 34, 8, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(PartitionCountForModeIndex(i), counts[i]) << i;
}

}  // namespace
}  // namespace tuneflash::testing

namespace tuneflash::testing {
namespace {

// A box with `faults` whose flash holds `file`, flashed by a box without them.
std::unique_ptr<BoxOnLine> FlashedBox(const boxsim::BoxFaults& faults, const Bytes& file,
                                      const TempDir& dir) {
  auto options = FastBoxOptions();
  options.flashFile = dir / "flash.bin";
  {
    BoxOnLine clean(options);
    Flash(clean, file);
  }
  options.faults = faults;
  return std::make_unique<BoxOnLine>(options);
}

// Why an upload failed, named as it happened: a silent box is silence at
// the block awaited (the PC's NAKs are its own, not the box's refusals); a
// data record that arrived with good block sums but does not hold fails at
// its partition, and the target is left alone while the part file keeps
// what arrived.
TEST(UploadTest, AFailedUploadSaysWhatHappenedAndWhere) {
  struct Case {
    std::string name;
    void (*fault)(boxsim::BoxFaults&);
    FailureCause cause;
    int partition;
    std::uint32_t block;
  };
  const std::vector<Case> cases = {
      {"silent after block 3", [](boxsim::BoxFaults& f) { f.silentAfterBlock = 3; }, FailureCause::NoReply, 1,
       4},
      {"bad data record of partition 2", [](boxsim::BoxFaults& f) { f.badDataRecordPartition = 1; },
       FailureCause::BadRecord, 2, 0},
      {"bad data tag of partition 4", [](boxsim::BoxFaults& f) { f.badDataTagPartition = 3; },
       FailureCause::BadRecord, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "old.dld", Bytes{1, 2, 3});
    boxsim::BoxFaults faults;
    c.fault(faults);
    const auto line = FlashedBox(faults, SetFile(PartitionSet::Loader, 9), dir);
    LinkTiming timing = FastTiming();
    timing.blockPolls = 30;
    timing.recordPolls = 30;
    const auto u = Upload(*line, dir / "old.dld", PartitionSet::Loader, timing);
    ASSERT_TRUE(u.failure);
    EXPECT_EQ(u.failure->phase, LinkPhase::Transfer);
    EXPECT_EQ(u.failure->cause, c.cause) << DescribeFailure(*u.failure);
    EXPECT_EQ(u.failure->partition, c.partition) << DescribeFailure(*u.failure);
    EXPECT_EQ(u.failure->block, c.block) << DescribeFailure(*u.failure);
    EXPECT_EQ(ReadWholeFile(dir / "old.dld"), (Bytes{1, 2, 3}));
    EXPECT_TRUE(std::filesystem::exists(PartialUploadPath(dir / "old.dld")));
  }
}

// The box takes only the exact verdict frame after the header's ACK: a
// status frame that merely starts like it is a protocol error, and the
// request after it goes unanswered.
TEST(UploadTest, TheBoxTakesOnlyTheExactVerdict) {
  BoxOnLine line;
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  ASSERT_TRUE(SendStatusFrame(line.port, kUploadRequest));
  std::array<std::uint8_t, kHeaderRecordSize> header{};
  ASSERT_TRUE(*PollForFrame(line.port, observer, header, kHeaderTag, 2000, std::chrono::milliseconds(1)));
  ASSERT_TRUE(SendAck(line.port));
  const std::array<std::uint8_t, 4> almost{0x02, 0x03, 0x02, 0x03};  // sub-code 2, not 1
  ASSERT_TRUE(line.port.WriteComPort(almost));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const UploadRequestFrame request = MakeUploadRequestFrame(PartitionsOf(PartitionSet::Key));
  ASSERT_TRUE(line.port.WriteComPort(request));
  LinkTiming timing = FastTiming();
  timing.replyPolls = 300;
  EXPECT_FALSE(WaitReply(line.port, observer, timing.replyPolls, timing));
  const auto errors = line.box.Record().protocolErrors;
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "a status frame that is not the verdict after the header's ACK");
}

}  // namespace
}  // namespace tuneflash::testing
