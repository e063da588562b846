// LZO1X-999 packing and repacking: the streams decode to the same images, the
// file layout stays what the box walks, and a corrupt source builds nothing.
#include "dld/repack.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "dld/builder.h"
#include "dld/data_image.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

std::vector<Bytes> DefaultImages() {
  return {testing::PatternImage(40000, 1), testing::PatternImage(65536, 2)};
}

FILE_DOWNLOAD_HEADER_T Identity() {
  FILE_DOWNLOAD_HEADER_T identity;
  identity.ucIdent = 1;
  SetFieldText(identity.acManufacture, "REPACKER");
  identity.aucReserved1 = {1, 2, 3};
  identity.aucReserved2 = {4, 5, 6, 7, 8, 9, 10, 11};
  return identity;
}

TEST(LzoCompress, BothCompressorsDecodeBackWithinTheWorstCase) {
  const std::vector<Bytes> inputs = {Bytes{}, Bytes{0x42}, Bytes(65536, 0xFF),
                                     testing::PatternImage(65536, 7), RandomBytes(65536, 3)};
  for (const auto compression : {Compression::Lzo1x1, Compression::Lzo1x999}) {
    for (const auto& raw : inputs) {
      const Bytes packed = LzoCompress(raw, compression);
      ASSERT_GE(packed.size(), 3u);
      EXPECT_LE(packed.size(), LzoWorstCaseSize(raw.size()));
      EXPECT_EQ(Bytes(packed.end() - 3, packed.end()), (Bytes{0x11, 0x00, 0x00}));
      EXPECT_EQ(LzoDecompress(packed, raw.size()), raw) << raw.size() << " bytes";
    }
  }
  const Bytes code = testing::PatternImage(65536, 9);
  EXPECT_LT(LzoCompress(code, Compression::Lzo1x999).size(), LzoCompress(code, Compression::Lzo1x1).size());
}

TEST(BuildDownloadFile, BestFileHoldsTheSameImagesInFewerBytes) {
  const Bytes fast = BuildDownloadFile(Identity(), PartitionSet::Default, DefaultImages());
  const Bytes best =
      BuildDownloadFile(Identity(), PartitionSet::Default, DefaultImages(), Compression::Lzo1x999);
  EXPECT_LT(best.size(), fast.size());
  const auto fastReport = VerifyDownloadFile(fast, true);
  const auto bestReport = VerifyDownloadFile(best, true);
  ASSERT_TRUE(bestReport.ok());
  EXPECT_EQ(bestReport.header->iTotalSize, best.size());
  for (std::size_t i = 0; i < bestReport.partitions.size(); ++i) {
    const auto& f = fastReport.partitions[i];
    const auto& b = bestReport.partitions[i];
    EXPECT_EQ(b.raw, f.raw);
    EXPECT_EQ(b.record.uiAddress, f.record.uiAddress);
    EXPECT_EQ(b.record.uiRawCrc, f.record.uiRawCrc);
    EXPECT_EQ(b.record.ucBlockCount, BlockCountFor(b.record.uiPackedSize));
  }
}

TEST(RepackDownloadFile, RoundTripsBetweenTheCompressors) {
  const Bytes fast = BuildDownloadFile(Identity(), PartitionSet::Default, DefaultImages());
  const Bytes best =
      BuildDownloadFile(Identity(), PartitionSet::Default, DefaultImages(), Compression::Lzo1x999);
  EXPECT_EQ(RepackDownloadFile(fast, Compression::Lzo1x1).file, fast);
  EXPECT_EQ(RepackDownloadFile(fast, Compression::Lzo1x999).file, best);
  EXPECT_EQ(RepackDownloadFile(best, Compression::Lzo1x1).file, fast);
}

TEST(RepackDownloadFile, KeepsTheHeaderAndRenewsTheTotalSize) {
  Bytes source = BuildDownloadFile(Identity(), PartitionSet::Default, DefaultImages());
  // A header as a box or an older tool may have left it: unusual type code, stale size.
  auto header = FILE_DOWNLOAD_HEADER_T::FromBytes(source);
  header.ucPartitionType = 9;
  header.iTotalSize = 12345;
  const auto sealed = SealHeader(header);
  std::copy(sealed.begin(), sealed.end(), source.begin());

  const auto result = RepackDownloadFile(source, Compression::Lzo1x999);
  ASSERT_TRUE(result.ok());
  auto repacked = FILE_DOWNLOAD_HEADER_T::FromBytes(result.file);
  EXPECT_EQ(repacked.iTotalSize, result.file.size());
  repacked.iTotalSize = 12345;
  repacked.uiCrc = header.uiCrc;
  EXPECT_EQ(repacked.ToBytes(), header.ToBytes());
  EXPECT_TRUE(VerifyDownloadFile(result.file).ok());
}

TEST(RepackDownloadFile, ACorruptSourceNamesItsRecordAndBuildsNothing) {
  Bytes source = BuildDownloadFile(Identity(), PartitionSet::Default, DefaultImages());
  const auto clean = VerifyDownloadFile(source);
  const std::size_t secondData = clean.partitions[1].dataOffset;
  source[secondData + 10] ^= 0x01;
  const auto result = RepackDownloadFile(source, Compression::Lzo1x999);
  ASSERT_FALSE(result.ok());
  EXPECT_TRUE(result.file.empty());
  char where[64];
  std::snprintf(where, sizeof where, "offset %zu (0x%zX)", secondData, secondData);
  EXPECT_EQ(DescribeVerifyFailure(*result.failure),
            "the data record of partition 2, " + std::string(where) + ": check value mismatch");
}

TEST(AppendPartition, RefusesAPackedSizeBeyondTheBlockCount) {
  // 300,000 incompressible bytes would need more than 255 blocks of 1000.
  const Bytes raw = RandomBytes(300000, 5);
  Bytes file;
  EXPECT_THROW(AppendPartition(file, {0x40000000, 300000, 0}, raw), std::length_error);
  EXPECT_TRUE(file.empty());
}

TEST(PackDatabase, StaysLzo1x1) {
  Bytes database(kDatabaseImageSize, 0xFF);
  const Bytes records = testing::PatternImage(30000, 11);
  std::copy(records.begin(), records.end(), database.begin());
  const Bytes image = PackDatabase(database, 1);
  const Bytes packed = LzoCompress(database, Compression::Lzo1x1);
  ASSERT_NE(packed, LzoCompress(database, Compression::Lzo1x999));
  EXPECT_EQ(GetLe32(image, kSlot1Start + kSlotLengthOffset), packed.size());
  EXPECT_TRUE(std::equal(packed.begin(), packed.end(), image.begin() + kSlot1Start + kSlotDataOffset));
}

}  // namespace
}  // namespace tuneflash

namespace tuneflash {
namespace {

// The header's total size has 24 bits: a bigger file is refused, never wrapped.
TEST(TotalSizeField, RefusesASizeBeyond24Bits) {
  EXPECT_EQ(TotalSizeField(71), 71u);
  EXPECT_EQ(TotalSizeField(0xFFFFFF), 0xFFFFFFu);
  EXPECT_THROW(TotalSizeField(0x1000000), std::length_error);
  EXPECT_THROW(TotalSizeField(0x1234567), std::length_error);
}

}  // namespace
}  // namespace tuneflash
