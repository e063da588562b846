#include "dld/partition_compare.h"

#include <gtest/gtest.h>

#include "dld/builder.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

using testing::PatternImage;

std::vector<Bytes> LoaderImages() {
  std::vector<Bytes> images;
  std::uint32_t seed = 1;
  for (const auto& p : PartitionsOf(PartitionSet::Loader)) images.push_back(PatternImage(p.size, seed++));
  return images;
}

VerifyReport Read(const Bytes& file) {
  return VerifyDownloadFile(file, true);
}

VerifyReport ReadLoader(const std::vector<Bytes>& images) {
  return Read(BuildDownloadFile(FILE_DOWNLOAD_HEADER_T{}, PartitionSet::Loader, images));
}

TEST(ComparePartitions, TheSameImagesAreSameEvenWhenPackedDifferently) {
  const auto images = LoaderImages();
  const auto expected = ReadLoader(images);
  ASSERT_TRUE(expected.ok());
  const auto results = ComparePartitions(expected, ReadLoader(images));
  ASSERT_EQ(results.size(), 4u);
  EXPECT_TRUE(AllSame(results));
  for (std::size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].index, static_cast<int>(i) + 1);
    EXPECT_EQ(results[i].address, PartitionsOf(PartitionSet::Loader)[i].address);
    EXPECT_EQ(VerdictText(results[i]), "same");
  }
}

TEST(ComparePartitions, NamesTheFirstDifferingAddressOfTheChangedPartitionOnly) {
  auto images = LoaderImages();
  const auto expected = ReadLoader(images);
  images[2][0x1234] ^= 0x01;
  images[2][0x1F00] ^= 0x01;
  const auto results = ComparePartitions(expected, ReadLoader(images));
  EXPECT_FALSE(AllSame(results));
  for (int i : {0, 1, 3}) EXPECT_EQ(results[i].verdict, PartitionVerdict::Same) << i;
  const auto address = PartitionsOf(PartitionSet::Loader)[2].address;
  EXPECT_EQ(results[2].verdict, PartitionVerdict::Differs);
  EXPECT_EQ(results[2].firstDifference, address + 0x1234);
  char text[40];
  std::snprintf(text, sizeof text, "differs at 0x%08X", address + 0x1234);
  EXPECT_EQ(VerdictText(results[2]), text);
}

TEST(ComparePartitions, ARunThatEndedEarlyLeavesTheRestNotRead) {
  const auto images = LoaderImages();
  const auto expected = ReadLoader(images);
  Bytes received = BuildDownloadFile(FILE_DOWNLOAD_HEADER_T{}, PartitionSet::Loader, images);
  // Cut inside the data record of partition 1: partition 0 arrived whole.
  received.resize(expected.partitions[1].dataOffset + 100);
  const auto results = ComparePartitions(expected, Read(received));
  EXPECT_EQ(results[0].verdict, PartitionVerdict::Same);
  for (int i : {1, 2, 3}) {
    EXPECT_EQ(results[i].verdict, PartitionVerdict::Missing) << i;
    EXPECT_EQ(VerdictText(results[i]), "not read");
  }
  EXPECT_FALSE(AllSame(results));
  EXPECT_FALSE(AllSame(ComparePartitions(expected, VerifyReport{})));
}

// A file of one partition at `info` holding `raw`.
Bytes OnePartitionFile(const PartitionInfo& info, ByteSpan raw) {
  Bytes file(kHeaderRecordSize, 0);
  AppendPartition(file, info, raw);
  FILE_DOWNLOAD_HEADER_T header;
  header.ucPartitionCount = 1;
  const auto sealed = SealHeader(header);
  std::copy(sealed.begin(), sealed.end(), file.begin());
  return file;
}

TEST(ComparePartitions, ASizeOrAddressOtherThanTheFilesDiffers) {
  const auto key = PartitionsOf(PartitionSet::Key)[0];
  const Bytes image = PatternImage(key.size, 9);
  const auto expected = Read(OnePartitionFile(key, image));
  ASSERT_TRUE(expected.ok());

  // A longer image that starts with the file's differs where the file's ends.
  Bytes longer = image;
  longer.resize(image.size() + 16, 0xFF);
  auto results = ComparePartitions(
      expected, Read(OnePartitionFile({key.address, key.size + 16, key.attribute}, longer)));
  EXPECT_EQ(results[0].verdict, PartitionVerdict::Differs);
  EXPECT_EQ(results[0].firstDifference, key.address + key.size);

  // The same bytes at another address differ at the file's address.
  results = ComparePartitions(expected, Read(OnePartitionFile({key.address + 0x10000, key.size, 0}, image)));
  EXPECT_EQ(results[0].verdict, PartitionVerdict::Differs);
  EXPECT_EQ(results[0].firstDifference, key.address);
}

}  // namespace
}  // namespace tuneflash
