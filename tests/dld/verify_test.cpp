#include <gtest/gtest.h>

#include "dld/builder.h"
#include "dld/record_reader.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

Bytes DefaultFile() {
  return BuildDownloadFile(
      FILE_DOWNLOAD_HEADER_T{}, PartitionSet::Default,
      std::vector<Bytes>{testing::PatternImage(40000, 1), testing::PatternImage(65536, 2)});
}

// Which record covers byte `offset` of a verified file.
std::pair<RecordKind, int> RecordAt(const VerifyReport& report, std::size_t offset) {
  if (offset < kHeaderRecordSize) return {RecordKind::Header, -1};
  for (auto it = report.partitions.rbegin(); it != report.partitions.rend(); ++it) {
    if (offset >= it->dataOffset) return {RecordKind::Data, it->index};
    if (offset >= it->recordOffset) return {RecordKind::Partition, it->index};
  }
  return {RecordKind::Header, -1};
}

TEST(VerifyDownloadFile, ABitFlipAnywhereFailsAtItsRecord) {
  const Bytes good = DefaultFile();
  const VerifyReport clean = VerifyDownloadFile(good);
  ASSERT_TRUE(clean.ok());
  // Every byte of the header and partition records, and a stride through the data records.
  for (std::size_t offset = 0; offset < good.size(); offset += (offset < 200 ? 1 : 97)) {
    Bytes bad = good;
    bad[offset] ^= 0x10;
    const VerifyReport report = VerifyDownloadFile(bad);
    ASSERT_FALSE(report.ok()) << "flip at " << offset;
    const auto [kind, index] = RecordAt(clean, offset);
    EXPECT_EQ(report.failure->kind, kind) << "flip at " << offset;
    EXPECT_EQ(report.failure->partitionIndex, index) << "flip at " << offset;
  }
}

TEST(VerifyDownloadFile, TruncationsNeverReadOutOfBounds) {
  const Bytes good = DefaultFile();
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{70}, std::size_t{71}, std::size_t{80},
                           std::size_t{97}, std::size_t{100}, good.size() / 2, good.size() - 1}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    const VerifyReport report = VerifyDownloadFile(cut);
    EXPECT_FALSE(report.ok()) << "size " << size;
  }
  Bytes longer = good;
  longer.push_back(0);
  const auto report = VerifyDownloadFile(longer);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.failure->offset, good.size());
}

TEST(VerifyDownloadFile, LengthsClaimingMoreThanTheFileHolds) {
  Bytes bad = DefaultFile();
  // The first data record claims 16 MB.
  PutLe24(bad, 98, 0xFFFFFF);
  const auto report = VerifyDownloadFile(bad);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.failure->kind, RecordKind::Data);
  EXPECT_EQ(report.failure->partitionIndex, 0);
  EXPECT_EQ(report.failure->offset, 97u);
  EXPECT_NE(report.failure->reason.find("runs past the end"), std::string::npos);
  EXPECT_EQ(ReadRecord(bad, 97, kDataTag, 3), -1);
  PutLe24(bad, 98, 3);  // below the check value's four bytes
  EXPECT_EQ(ReadRecord(bad, 97, kDataTag, 3), -1);
}

TEST(VerifyDownloadFile, PartitionCountsThatDoNotMatchTheRecords) {
  for (int count : {0, 1, 3, 255}) {
    Bytes bad = DefaultFile();
    auto header = FILE_DOWNLOAD_HEADER_T::FromBytes(bad);
    header.ucPartitionCount = static_cast<std::uint8_t>(count);
    const auto bytes = SealHeader(header);
    std::copy(bytes.begin(), bytes.end(), bad.begin());
    const auto report = VerifyDownloadFile(bad);
    EXPECT_FALSE(report.ok()) << count;
  }
}

TEST(VerifyDownloadFile, PackedStreamThatDecodesPastTheRawSize) {
  // A data record whose stream is valid LZO but larger than the raw size it claims.
  Bytes file = DefaultFile();
  auto record = FILE_DOWNLOAD_PARTITION_T::FromBytes(ByteSpan(file).subspan(71));
  record.uiRawSize = 1000;
  record.uiCrc = record.ComputeCrc();
  const auto bytes = record.ToBytes();
  std::copy(bytes.begin(), bytes.end(), file.begin() + 71);
  const auto report = VerifyDownloadFile(file);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.failure->kind, RecordKind::Data);
  EXPECT_FALSE(report.partitions[0].decompressOk);
}

}  // namespace
}  // namespace tuneflash
