#include "dld/records.h"

#include <gtest/gtest.h>

#include "dld/builder.h"
#include "dld/crc32.h"
#include "dld/fixups.h"
#include "dld/partition_sets.h"
#include "dld/record_reader.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

using testing::PatternImage;

TEST(PartitionSets, TablesMatchTheFlashMap) {
  struct Expect {
    PartitionSet set;
    std::size_t count;
    std::uint32_t first;
    std::uint32_t total;
    std::uint8_t type;
  };
  for (const auto& e : {Expect{PartitionSet::Data, 8, 0x401B0000, 320 * 1024, 0},
                        Expect{PartitionSet::Default, 2, 0x40190000, 128 * 1024, 1},
                        Expect{PartitionSet::Key, 1, 0x40180000, 64 * 1024, 3},
                        Expect{PartitionSet::Loader, 4, 0x40000000, 64 * 1024, 4},
                        Expect{PartitionSet::App, 27, 0x40010000, 1728 * 1024, 5},
                        Expect{PartitionSet::All, 34, 0x40010000, 1984 * 1024, 6}}) {
    const auto parts = PartitionsOf(e.set);
    ASSERT_EQ(parts.size(), e.count);
    EXPECT_EQ(parts.front().address, e.first);
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      total += parts[i].size;
      // Partitions are contiguous within each set except where ALL skips the Key/Default/Data blocks.
      if (i > 0 && e.set != PartitionSet::All) {
        EXPECT_EQ(parts[i].address, parts[i - 1].address + parts[i - 1].size);
      }
    }
    EXPECT_EQ(total, e.total);
    EXPECT_EQ(TypeCodeForCount(static_cast<int>(e.count)), e.type);
  }
  const auto all = PartitionsOf(PartitionSet::All);
  EXPECT_EQ(all[22].attribute, 1);
  EXPECT_EQ(all[23].attribute, 0);
  EXPECT_EQ(all[29].address, 0x401E0000u);
  EXPECT_EQ(all[30].address, 0x401F0000u);
  EXPECT_EQ(TypeCodeForCount(3), 7);
  EXPECT_EQ(TypeCodeForCount(0), 7);
}

TEST(Records, HeaderFieldsSitAtTheirOffsets) {
  FILE_DOWNLOAD_HEADER_T h;
  h.ucIdent = 1;
  SetFieldText(h.acManufacture, "ACME-BOX-123456789");  // cut to 15
  SetFieldText(h.acHardwareModule, "HW");
  SetFieldText(h.acSoftwareVersion, "1.02");
  h.ucPartitionCount = 8;
  h.iTotalSize = 70000;
  h.aucReserved2[7] = 0x5A;
  const auto bytes = SealHeader(h);
  EXPECT_EQ(bytes[0], 0x11);
  EXPECT_EQ(bytes[1], 68);
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[3], 1);
  EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 19), "ACME-BOX-123456");
  EXPECT_EQ(bytes[19], 'H');
  EXPECT_EQ(bytes[43], '1');
  EXPECT_EQ(bytes[52], 8);
  EXPECT_EQ(bytes[53], 0x70);
  EXPECT_EQ(bytes[54], 0x11);
  EXPECT_EQ(bytes[55], 0x01);
  EXPECT_EQ(bytes[66], 0x5A);
  EXPECT_EQ(GetLe32(bytes, 67), CalcCrc32(ByteSpan(bytes).subspan(3, 64)));
  EXPECT_EQ(FILE_DOWNLOAD_HEADER_T::FromBytes(bytes).ToBytes(), bytes);
  EXPECT_EQ(MakeHeaderShow(h).manufacture, "ACME-BOX-123456");
}

TEST(Records, BlockCountAndDataRecordLength) {
  EXPECT_EQ(BlockCountFor(992), 1);
  EXPECT_EQ(BlockCountFor(993), 2);
  const Bytes packed(992, 0xAB);
  const Bytes record = MakeDataRecord(packed);
  ASSERT_EQ(record.size(), 1000u);
  EXPECT_EQ(record[0], 0x33);
  EXPECT_EQ(GetLe24(record, 1), 996u);
  EXPECT_EQ(GetLe32(record, 996), CalcCrc32(packed));
}

TEST(Builder, DataSetLayoutAndRoundTrip) {
  std::vector<Bytes> images;
  for (const auto& p : PartitionsOf(PartitionSet::Data))
    images.push_back(PatternImage(p.size / 2, p.address));
  FILE_DOWNLOAD_HEADER_T identity;
  SetFieldText(identity.acManufacture, "MAKER");
  const Bytes file = BuildDownloadFile(identity, PartitionSet::Data, images);

  EXPECT_EQ(ReadRecord(file, 0, kHeaderTag, 2), 71);
  EXPECT_EQ(ReadRecord(file, 71, kPartitionTag, 1), 97);
  const auto report = VerifyDownloadFile(file, true);
  ASSERT_TRUE(report.ok()) << report.failure->reason;
  EXPECT_EQ(report.header->ucPartitionType, 0);
  EXPECT_EQ(report.header->iTotalSize, file.size());
  ASSERT_EQ(report.partitions.size(), 8u);
  EXPECT_EQ(report.partitions[0].recordOffset, 71u);
  EXPECT_EQ(report.partitions[0].dataOffset, 97u);
  for (std::size_t i = 0; i < 8; ++i) {
    const auto& p = report.partitions[i];
    EXPECT_EQ(p.record.ucBlockCount, BlockCountFor(p.record.uiPackedSize));
    EXPECT_EQ(p.raw, PadImage(images[i], PartitionsOf(PartitionSet::Data)[i].size));
    // The packed stream ends with the LZO end marker.
    const auto end = p.dataOffset + 4 + p.record.uiPackedSize;
    EXPECT_EQ(file[end - 3], 0x11);
    EXPECT_EQ(file[end - 2], 0x00);
    EXPECT_EQ(file[end - 1], 0x00);
  }
  EXPECT_THROW(PadImage(Bytes(65537), 65536), std::length_error);
}

TEST(Fixups, ReceivedHeaderAndPartitionRecord) {
  FILE_DOWNLOAD_HEADER_T h;
  h.ucIdent = 0xFE;
  h.ucPartitionType = 3;
  h.ucPartitionCount = 1;
  h.iTotalSize = 12345;
  auto received = SealHeader(h);
  const auto fixed = FixReceivedHeader(received, 34);
  ASSERT_TRUE(fixed);
  const auto back = FILE_DOWNLOAD_HEADER_T::FromBytes(*fixed);
  EXPECT_EQ(back.ucIdent, 0xFE);
  EXPECT_EQ(back.ucPartitionType, 6);
  EXPECT_EQ(back.ucPartitionCount, 34);
  EXPECT_EQ(back.iTotalSize, 0u);
  EXPECT_EQ(back.uiCrc, back.ComputeCrc());
  received[10] ^= 0x01;
  EXPECT_FALSE(FixReceivedHeader(received, 34));

  FILE_DOWNLOAD_PARTITION_T p;
  p.uiPackedSize = 993;
  p.ucBlockCount = 77;  // wrong as the box sent it
  p.uiCrc = p.ComputeCrc();
  auto record = p.ToBytes();
  const auto fixedRecord = FixReceivedPartitionRecord(record);
  ASSERT_TRUE(fixedRecord);
  EXPECT_EQ((*fixedRecord)[21], 2);
  EXPECT_EQ(GetLe32(*fixedRecord, 22), CalcCrc32(ByteSpan(*fixedRecord).subspan(2, 20)));
  record[5] ^= 0x80;
  EXPECT_FALSE(FixReceivedPartitionRecord(record));
}

}  // namespace
}  // namespace tuneflash
