// Verify over a real pseudo-terminal against the simulated box: a box that
// holds the file, one whose partition was changed, one that hangs up
// mid-way; the request names exactly the file's areas, and the strict box
// gets every frame it is owed.
#include "link/verify.h"

#include <thread>

#include "boxsim/flash_model.h"
#include "link/download.h"
#include "link_fixture.h"

namespace tuneflash::testing {
namespace {

VerifyReport Expected(const Bytes& file) {
  return VerifyDownloadFile(file, true);
}

VerifyResult Verify(BoxOnLine& line, const Bytes& file, RecordingObserver& observer) {
  EXPECT_TRUE(line.Connect(observer));
  return VerifyBox(line.port, observer, Expected(file), FastTiming());
}

// "attribute address size" per area, to compare requests.
std::vector<std::string> Areas(const std::vector<UploadArea>& areas) {
  std::vector<std::string> out;
  for (const auto& a : areas)
    out.push_back(std::to_string(a.attribute) + " " + std::to_string(a.address) + " " +
                  std::to_string(a.size));
  return out;
}

std::vector<std::string> Areas(const VerifyReport& file) {
  std::vector<UploadArea> areas;
  for (const auto& p : file.partitions)
    areas.push_back({p.record.ucAttribute, p.record.uiAddress, p.record.uiRawSize});
  return Areas(areas);
}

TEST(VerifyBox, ABoxThatHoldsTheFileIsTheSameAndIsAskedForExactlyItsAreas) {
  // A whole set, and one partition of an odd size at an address of the file's choosing.
  for (const Bytes& file : {SetFile(PartitionSet::Loader, 3), OnePartitionFile(3000)}) {
    BoxOnLine line;
    Flash(line, file);
    RecordingObserver observer;
    const VerifyResult result = Verify(line, file, observer);
    ASSERT_TRUE(result.status) << DescribeFailure(result.status.error());
    const int n = file[kHeaderPartitionCountOffset];
    ASSERT_EQ(result.partitions.size(), static_cast<std::size_t>(n));
    EXPECT_TRUE(AllSame(result.partitions));
    EXPECT_EQ(observer.events, CleanUploadEvents(n));
    for (int i = 0; i < 200 && line.box.Record().uploadsCompleted == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto record = line.box.Record();
    EXPECT_EQ(record.uploadsCompleted, 1);
    EXPECT_EQ(Areas(record.lastUploadRequest), Areas(Expected(file)));
    EXPECT_TRUE(record.protocolErrors.empty());
  }
}

TEST(VerifyBox, NamesTheChangedPartitionAndItsFirstDifferingAddress) {
  auto images = SetImages(PartitionSet::Loader, 5);
  const Bytes file = BuildDownloadFile(TestIdentity(), PartitionSet::Loader, images);
  images[2][0x321] ^= 0xFF;
  images[2][0x400] ^= 0xFF;
  BoxOnLine line;
  Flash(line, BuildDownloadFile(TestIdentity(), PartitionSet::Loader, images));
  RecordingObserver observer;
  const VerifyResult result = Verify(line, file, observer);
  ASSERT_FALSE(result.status);
  const LinkFailure& failure = result.status.error();
  EXPECT_EQ(failure.cause, FailureCause::Differs);
  EXPECT_EQ(failure.phase, LinkPhase::Verify);
  EXPECT_EQ(failure.partition, 3);  // 1-based, as every failure counts partitions
  const std::uint32_t address = PartitionsOf(PartitionSet::Loader)[2].address;
  EXPECT_EQ(result.partitions[2].verdict, PartitionVerdict::Differs);
  EXPECT_EQ(result.partitions[2].firstDifference, address + 0x321);
  for (int i : {0, 1, 3}) EXPECT_EQ(result.partitions[i].verdict, PartitionVerdict::Same) << i;
  EXPECT_NE(DescribeFailure(failure).find(VerdictText(result.partitions[2])), std::string::npos);
}

TEST(VerifyBox, ABoxThatHangsUpMidwayLeavesTheRestNotRead) {
  const Bytes file = SetFile(PartitionSet::Loader, 9);
  const auto expected = Expected(file);
  // The box holds the file from the start and hangs up instead of sending
  // the first block of partition 1.
  TempDir dir;
  boxsim::FlashModel flash;
  for (const auto& p : expected.partitions) flash.Write(p.record.uiAddress, p.raw);
  flash.Save(dir / "flash.bin");
  const std::size_t firstRecord = expected.partitions[0].dataOffset;
  const std::size_t blocksOfFirst =
      (GetLe24(file, firstRecord + 1) + 4 + kDataBlockPayload - 1) / kDataBlockPayload;
  auto options = FastBoxOptions();
  options.flashFile = dir / "flash.bin";
  // The box packs its own images; partition 0 of this pattern packs like the file's.
  options.faults.hangupAfterBlock = static_cast<int>(blocksOfFirst) + 1;
  BoxOnLine line(options);
  RecordingObserver observer;
  const VerifyResult result = Verify(line, file, observer);
  ASSERT_FALSE(result.status);
  EXPECT_EQ(result.status.error().phase, LinkPhase::Transfer);
  EXPECT_EQ(result.status.error().cause, FailureCause::PortGone);
  EXPECT_EQ(result.partitions[0].verdict, PartitionVerdict::Same);
  for (int i : {1, 2, 3}) EXPECT_EQ(result.partitions[i].verdict, PartitionVerdict::Missing) << i;
}

}  // namespace
}  // namespace tuneflash::testing

namespace tuneflash::testing {
namespace {

// A data record that arrives whole with good block sums but does not hold
// is named: the partition differs because the box's record does not hold.
TEST(VerifyBox, ADataRecordThatDoesNotHoldIsNamedNotNotRead) {
  const Bytes file = SetFile(PartitionSet::Loader, 4);
  boxsim::BoxFaults faults;
  faults.badDataRecordPartition = 1;
  BoxOnLine line(faults);
  Flash(line, file);
  RecordingObserver observer;
  const VerifyResult result = Verify(line, file, observer);
  ASSERT_FALSE(result.status);
  EXPECT_EQ(result.status.error().cause, FailureCause::BadRecord);
  EXPECT_EQ(result.status.error().partition, 2);
  ASSERT_EQ(result.partitions.size(), 4u);
  EXPECT_EQ(result.partitions[0].verdict, PartitionVerdict::Same);
  EXPECT_EQ(VerdictText(result.partitions[1]), "differs: the box's record of partition 2 does not hold");
  EXPECT_EQ(result.partitions[2].verdict, PartitionVerdict::Missing);
}

}  // namespace
}  // namespace tuneflash::testing
