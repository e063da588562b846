#include "satcodx/database_conversion.h"

#include <gtest/gtest.h>

#include "boxdb/database_image.h"
#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/system_sector.h"
#include "data_file_fixture.h"
#include "dld/file_io.h"
#include "dld/record_reader.h"
#include "support/system_sector_image.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

using testing::TempDir;

class DatabaseConversionTest : public ::testing::Test {
 protected:
  ConversionState State() {
    ConversionState state;
    state.workDirectory = dir.path();
    return state;
  }

  TempDir dir;
  std::filesystem::path source = dir / "box.dld";
  std::filesystem::path target = dir / "new.dld";
};

TEST_F(DatabaseConversionTest, UnchangedRoundTripKeepsPartitionZeroAndEveryTable) {
  for (int slot : {1, 2}) {
    const auto stock = testing::StockDatabase({192, 130, 282});
    const Bytes original = testing::DataFileOf(*stock, slot);
    testing::WriteBytes(source, original);

    auto db = testing::FreshDb();
    ConversionState state = State();
    ASSERT_TRUE(DldToDatabase(source, *db, state)) << state.failure;
    EXPECT_EQ(state.DatabaseSlot, slot);
    EXPECT_EQ(ProgramCount(*db), 18);
    EXPECT_EQ(FindSatelliteByPos(*db, 282), 2);
    DatabaseToDld(target, *db, state);

    const Bytes written = ReadWholeFile(target);
    const auto report = VerifyDownloadFile(written, true);
    ASSERT_TRUE(report.ok()) << report.failure->reason;
    const auto before = VerifyDownloadFile(original, true);
    EXPECT_EQ(report.partitions[0].raw, before.partitions[0].raw) << "system sector, slot " << slot;
    EXPECT_EQ(report.header->ucPartitionType, 0);
    EXPECT_EQ(report.header->ucPartitionCount, 8);
    EXPECT_EQ(report.header->iTotalSize, written.size());
    EXPECT_EQ(MakeHeaderShow(*report.header), MakeHeaderShow(testing::BoxIdentity()));
    // The whole data image comes back as it was: slot header, database, block table, erased rest.
    EXPECT_EQ(written, original) << "slot " << slot;
    // The tables too, decoded again.
    auto again = testing::FreshDb();
    ConversionState second = State();
    ASSERT_TRUE(DldToDatabase(target, *again, second));
    EXPECT_EQ(EncodeDatabaseImage(*again), EncodeDatabaseImage(*stock));
  }
}

TEST_F(DatabaseConversionTest, WorkFilesAreLeftForInspection) {
  testing::WriteBytes(source, testing::DataFileOf(*testing::StockDatabase({192}), 2));
  auto db = testing::FreshDb();
  ConversionState state = State();
  ASSERT_TRUE(DldToDatabase(source, *db, state));
  DatabaseToDld(target, *db, state);
  EXPECT_EQ(std::filesystem::file_size(dir / kWorkDldToBin), kDataImageSize);
  EXPECT_EQ(std::filesystem::file_size(dir / kWorkDecompress), kDatabaseImageSize);
  EXPECT_EQ(std::filesystem::file_size(dir / kWorkTempSave), kDatabaseImageSize);
  EXPECT_EQ(std::filesystem::file_size(dir / kWorkCompress), kDataImageSize);
  EXPECT_EQ(ReadWholeFile(dir / kWorkBinToDld), ReadWholeFile(target));
}

TEST_F(DatabaseConversionTest, SlotOneWinsAndTheOtherSlotIsErased) {
  const auto stock = testing::StockDatabase({192});
  // Slot 1 holds the database; slot 2 also carries a marker.
  Bytes image = PackDatabase(EncodeDatabaseImage(*stock), 1);
  WriteBlockTable(image, 1);
  PutLe32(image, kSlot2Start + kSlotMarkerOffset, 1);
  testing::WriteBytes(source, ImageToDld(image, testing::BoxIdentity(), kDataPartitionCount));
  auto db = testing::FreshDb();
  ConversionState state = State();
  ASSERT_TRUE(DldToDatabase(source, *db, state));
  EXPECT_EQ(state.DatabaseSlot, 1);
  DatabaseToDld(target, *db, state);
  const auto report = VerifyDownloadFile(ReadWholeFile(target), true);
  ASSERT_TRUE(report.ok());
  const Bytes& part3 = report.partitions[3].raw;  // 0x30000: slot 2
  EXPECT_TRUE(std::all_of(part3.begin(), part3.end(), [](std::uint8_t b) { return b == 0xFF; }));
}

TEST_F(DatabaseConversionTest, CorruptBlockTableFailsBeforeDecompressing) {
  const auto stock = testing::StockDatabase({192});
  Bytes image = PackDatabase(EncodeDatabaseImage(*stock), 2);
  WriteBlockTable(image, 2);
  image[kSlot2Start + kSlotDataOffset + 100] ^= 0x01;  // changed after the table was made
  testing::WriteBytes(source, ImageToDld(image, testing::BoxIdentity(), kDataPartitionCount));
  auto db = testing::FreshDb();
  ConversionState state = State();
  EXPECT_FALSE(DldToDatabase(source, *db, state));
  EXPECT_NE(state.failure.find("block check table"), std::string::npos) << state.failure;
  EXPECT_FALSE(std::filesystem::exists(dir / kWorkDecompress));
  // An image without any database fails the same way.
  testing::WriteBytes(source, ImageToDld(Bytes(kDataImageSize, 0xFF), testing::BoxIdentity(), 8));
  EXPECT_FALSE(DldToDatabase(source, *db, state));
}

TEST_F(DatabaseConversionTest, BadSourcesFailWithTheirReason) {
  Bytes file = testing::DataFileOf(*testing::StockDatabase({192}), 2);
  file[200] ^= 0x01;  // inside the first data record
  testing::WriteBytes(source, file);
  auto db = testing::FreshDb();
  ConversionState state = State();
  EXPECT_FALSE(DldToDatabase(source, *db, state));
  EXPECT_NE(state.failure.find("data record of partition 1 at offset 97"), std::string::npos)
      << state.failure;
  EXPECT_THROW(DldToDatabase(dir / "missing.dld", *db, state), FileError);
}

TEST_F(DatabaseConversionTest, SystemBlockRenewedOnlyWhenAReferenceWasCleared) {
  testing::WriteBytes(source, testing::DataFileOf(*testing::StockDatabase({192}), 2));
  auto db = testing::FreshDb();
  ConversionState state = State();
  ASSERT_TRUE(DldToDatabase(source, *db, state));
  // The box's block names program 0 in its first reference; deleting the
  // program clears it.
  SYSTEM_DATA_BASE_T block = db->systemBlock();
  PutLe16(block.bytes, 40, 0);
  ASSERT_TRUE(DecodeSystemSector(*db, testing::SectorWithBlock(block, state.sourceImage)));
  ASSERT_TRUE(IsProgramUsed(*db, 0));
  DeleteProgram(*db, 0);
  ASSERT_TRUE(db->systemBlockChanged());
  DatabaseToDld(target, *db, state);
  EXPECT_FALSE(db->systemBlockChanged());
  const auto report = VerifyDownloadFile(ReadWholeFile(target), true);
  ASSERT_TRUE(report.ok());
  const auto original = VerifyDownloadFile(ReadWholeFile(source), true);
  // A fresh sector: the kept header areas and the block in the lowest slot, the rest erased.
  const Bytes& sector = report.partitions[0].raw;
  EXPECT_NE(sector, original.partitions[0].raw);
  EXPECT_TRUE(std::equal(sector.begin(), sector.begin() + 100, original.partitions[0].raw.begin()));
  EXPECT_TRUE(
      std::equal(db->systemBlock().bytes.begin(), db->systemBlock().bytes.end(), sector.begin() + 0x100));
  EXPECT_TRUE(
      std::all_of(sector.begin() + 0x300, sector.begin() + 0x400, [](std::uint8_t b) { return b == 0xFF; }));
  auto again = testing::FreshDb();
  ConversionState second = State();
  ASSERT_TRUE(DldToDatabase(target, *again, second));
  EXPECT_EQ(again->systemBlock(), db->systemBlock());
}

}  // namespace
}  // namespace tuneflash
