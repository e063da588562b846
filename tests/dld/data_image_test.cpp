#include "dld/data_image.h"

#include <gtest/gtest.h>

#include "dld/builder.h"
#include "dld/crc32.h"
#include "dld/lzo_codec.h"
#include "dld/partition_sets.h"
#include "dld/record_reader.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

Bytes LzoCompressForTest(std::size_t size) {
  return LzoCompress(Bytes(size, 0x5A));
}

Bytes DatabaseImage(std::uint32_t seed) {
  Bytes db(kDatabaseImageSize, 0xFF);
  const Bytes pattern = testing::PatternImage(40000, seed);
  std::copy(pattern.begin(), pattern.end(), db.begin());
  return db;
}

// A data image as a box would hold it: system sector, database in `slot`.
Bytes BoxImage(int slot, std::uint32_t seed = 7) {
  Bytes image = PackDatabase(DatabaseImage(seed), slot);
  WriteBlockTable(image, slot);
  SlotHeader header{};
  for (std::size_t i = 0; i < header.size(); ++i) header[i] = static_cast<std::uint8_t>(i + seed);
  WriteSlotHeader(image, slot, header);
  const Bytes system = testing::PatternImage(0x10000, seed + 1);
  std::copy(system.begin(), system.end(), image.begin());
  return image;
}

TEST(DataImage, PartitionOffsetsFollowTheFlashMap) {
  EXPECT_EQ(DataPartitionOffset(0), 0u);
  EXPECT_EQ(DataPartitionOffset(3), 0x30000u);
  EXPECT_EQ(DataPartitionOffset(4), 0x40000u);
  EXPECT_EQ(DataPartitionOffset(7), 0x4C000u);
  EXPECT_EQ(DataPartitionOffset(8), 0u);
  EXPECT_EQ(DataPartitionOffset(-1), 0u);
}

TEST(DataImage, BlockTableLayoutSwitchesAbove61432) {
  for (int slot : {1, 2}) {
    Bytes image(kDataImageSize, 0xFF);
    const std::size_t start = SlotStart(slot);
    PutLe32(image, start + kSlotLengthOffset, 61432);
    auto table = ComputeBlockTable(image, slot);
    EXPECT_EQ(table.position, start + 0xF000);
    EXPECT_EQ(table.entries.size(), 240u);
    EXPECT_EQ(table.coveredSize, 61352u);
    // The last block holds 168 bytes, all 0xFF here.
    EXPECT_EQ(table.entries.back(), CalcCrc32(Bytes(168, 0xFF)));
    PutLe32(image, start + kSlotLengthOffset, 61433);
    table = ComputeBlockTable(image, slot);
    EXPECT_EQ(table.position, start + 0x1F000);
    EXPECT_EQ(table.entries.size(), 496u);
  }
}

TEST(DataImage, SlotDetectionPrefersSlotOne) {
  Bytes image(kDataImageSize, 0xFF);
  EXPECT_EQ(DetectDatabaseSlot(image), 0);
  PutLe32(image, 0x30050, 1);
  EXPECT_EQ(DetectDatabaseSlot(image), 2);
  PutLe32(image, 0x10050, 1);
  EXPECT_EQ(DetectDatabaseSlot(image), 1);
  PutLe32(image, 0x10050, 2);
  EXPECT_EQ(DetectDatabaseSlot(image), 2);
}

TEST(DataImage, PackCheckUnpackRoundTripInEitherSlot) {
  for (int slot : {1, 2}) {
    const Bytes image = BoxImage(slot);
    EXPECT_EQ(DetectDatabaseSlot(image), slot);
    EXPECT_TRUE(CheckBlockTable(image));
    EXPECT_EQ(UnpackDatabase(image, slot), DatabaseImage(7));
    // The other slot is erased.
    const std::size_t other = SlotStart(slot == 1 ? 2 : 1);
    EXPECT_TRUE(std::all_of(image.begin() + static_cast<std::ptrdiff_t>(other),
                            image.begin() + static_cast<std::ptrdiff_t>(other + 0x20000),
                            [](std::uint8_t b) { return b == 0xFF; }));
  }
}

TEST(DataImage, BlockCheckCatchesChangesInsideTheCoveredArea) {
  const Bytes good = BoxImage(2);
  const std::size_t length = StoredPackedLength(good, 2);
  for (std::size_t at : {kSlot2Start + kSlotDataOffset, kSlot2Start + kSlotDataOffset + length - 1,
                         kSlot2Start + kSlotDataOffset + length + 10, kSlot2Start + 0xEFFF}) {
    Bytes bad = good;
    bad[at] ^= 0x01;
    EXPECT_FALSE(CheckBlockTable(bad)) << "change at " << at;
  }
  // Neither marker set: slot 2 of an erased image fails.
  EXPECT_FALSE(CheckBlockTable(Bytes(kDataImageSize, 0xFF)));
}

TEST(DataImage, StoredLengthIsBoundedBeforeUse) {
  Bytes image = BoxImage(1);
  for (std::uint32_t bad : {0u, 0xFFFFFFFFu, 61353u, 126889u, 0x7FFFFFFFu}) {
    PutLe32(image, kSlot1Start + kSlotLengthOffset, bad);
    EXPECT_THROW(UnpackDatabase(image, 1), DataImageError) << bad;
  }
}

TEST(DataImage, PackRefusesADatabaseThatFitsNoLayout) {
  // Incompressible content: the packed form exceeds every layout.
  Bytes noisy(kDatabaseImageSize);
  std::uint32_t s = 1;
  for (auto& b : noisy) {
    s = s * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(s >> 24);
  }
  EXPECT_THROW(PackDatabase(noisy, 2), DataImageError);
}

TEST(DataImage, DownloadFileToImageAndBack) {
  const Bytes image = BoxImage(1);
  FILE_DOWNLOAD_HEADER_T header;
  SetFieldText(header.acManufacture, "MAKER");
  header.aucReserved2[0] = 0x42;
  const Bytes dld = ImageToDld(image, header, kDataPartitionCount);
  const auto report = VerifyDownloadFile(dld);
  ASSERT_TRUE(report.ok()) << report.failure->reason;
  EXPECT_EQ(report.header->ucPartitionType, 0);
  EXPECT_EQ(report.header->ucPartitionCount, 8);
  EXPECT_EQ(report.header->iTotalSize, dld.size());
  EXPECT_EQ(report.partitions[0].dataOffset, 97u);
  const DldImage back = DldToImage(dld, kDataPartitionCount);
  EXPECT_EQ(back.image, image);
  EXPECT_EQ(FieldText(back.header.acManufacture), "MAKER");
  EXPECT_EQ(back.header.aucReserved2[0], 0x42);
}

TEST(DataImage, DownloadFileFailuresNameTheRecord) {
  const Bytes dld = ImageToDld(BoxImage(2), FILE_DOWNLOAD_HEADER_T{}, kDataPartitionCount);
  Bytes bad = dld;
  bad[bad.size() - 10] ^= 0x01;  // inside the last data record
  try {
    DldToImage(bad, kDataPartitionCount);
    FAIL() << "accepted a corrupt file";
  } catch (const DataImageError& e) {
    EXPECT_NE(std::string(e.what()).find("data record of partition 7"), std::string::npos) << e.what();
  }
  EXPECT_THROW(DldToImage(Bytes(dld.begin(), dld.begin() + 60), kDataPartitionCount), DataImageError);
  // A Key set file holds one partition: walking eight runs out of records.
  const Bytes key =
      BuildDownloadFile(FILE_DOWNLOAD_HEADER_T{}, PartitionSet::Key, std::vector<Bytes>{Bytes(10)});
  EXPECT_THROW(DldToImage(key, kDataPartitionCount), DataImageError);
}

TEST(DataImage, PartitionThatDecodesPastItsSizeIsRefused) {
  Bytes image(kDataImageSize, 0xFF);
  const Bytes big = LzoCompressForTest(0x4001);
  EXPECT_THROW(UnpackPartition(image, 7, big), DataImageError);  // partition 7 holds 0x4000
  EXPECT_NO_THROW(UnpackPartition(image, 6, LzoCompressForTest(0x2000)));
}

}  // namespace
}  // namespace tuneflash
