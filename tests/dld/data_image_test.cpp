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

// A database image whose packed form takes between `low` and `high` bytes:
// pseudo-random bytes at the start, 0xFF after them, and single marks in the
// 0xFF area to fine-tune the packed size. Empty when none is found.
Bytes DatabaseImagePackingTo(std::size_t low, std::size_t high) {
  auto imageOf = [](std::size_t noise, std::size_t marks) {
    Bytes db(kDatabaseImageSize, 0xFF);
    std::uint32_t s = 9;
    for (std::size_t i = 0; i < noise; ++i) {
      s = s * 1664525u + 1013904223u;
      db[i] = static_cast<std::uint8_t>(s >> 24);
    }
    for (std::size_t j = 0; j < marks; ++j)
      db[kDatabaseImageSize - 1 - 512 * j] = static_cast<std::uint8_t>(j);
    return db;
  };
  std::size_t first = 0, last = high;  // the most noise that packs below `low`
  while (first + 1 < last) {
    const std::size_t mid = (first + last) / 2;
    (LzoCompress(imageOf(mid, 0)).size() < low ? first : last) = mid;
  }
  for (std::size_t marks = 0; marks < 300; ++marks) {
    Bytes db = imageOf(first, marks);
    const std::size_t size = LzoCompress(db).size();
    if (size >= low) return size <= high ? db : Bytes{};
  }
  return {};
}

TEST(DataImage, PackRefusesTheGapBetweenTheLayouts) {
  // 61,353 to 61,432 packed bytes fit neither the small layout nor the large one.
  const Bytes gap = DatabaseImagePackingTo(61353, 61432);
  ASSERT_FALSE(gap.empty());
  EXPECT_THROW(PackDatabase(gap, 2), DataImageError);
  for (const auto& [low, high] : {std::pair{61250u, 61352u}, std::pair{61433u, 61530u}}) {
    const Bytes db = DatabaseImagePackingTo(low, high);
    ASSERT_FALSE(db.empty()) << low;
    EXPECT_EQ(StoredPackedLength(PackDatabase(db, 2), 2), LzoCompress(db).size());
  }
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
    EXPECT_NE(std::string(e.what()).find("data record of partition 8"), std::string::npos) << e.what();
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
