// Data image conversions.
#include "dld/data_image.h"

#include <algorithm>

#include "dld/builder.h"
#include "dld/crc32.h"
#include "dld/lzo_codec.h"
#include "dld/partition_sets.h"
#include "dld/record_reader.h"

namespace tuneflash {
namespace {

std::string Hex(std::size_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + text;
}

bool IsSmallLayout(std::int32_t packedLength) {
  return packedLength <= kSmallLayoutMaxLength;
}

std::int32_t RawPackedLength(ByteSpan image, int databaseSlot) {
  return static_cast<std::int32_t>(GetLe32(image, SlotStart(databaseSlot) + kSlotLengthOffset));
}

void RequireImage(ByteSpan image) {
  if (image.size() != kDataImageSize)
    throw DataImageError("data image is not " + Hex(kDataImageSize) + " bytes");
}

}  // namespace

std::size_t DataPartitionOffset(int index) {
  if (index < 1 || index >= kDataPartitionCount) return 0;
  return PartitionsOf(PartitionSet::Data)[static_cast<std::size_t>(index)].address - kDataImageBase;
}

std::size_t DataPartitionSize(int index) {
  if (index < 0 || index >= kDataPartitionCount) index = 0;
  return PartitionsOf(PartitionSet::Data)[static_cast<std::size_t>(index)].size;
}

std::size_t SlotStart(int databaseSlot) {
  return databaseSlot == 1 ? kSlot1Start : kSlot2Start;
}

DldImage DldToImage(ByteSpan dld, int partitionCount) {
  DldImage result;
  result.image.assign(kDataImageSize, 0xFF);
  if (dld.size() < kHeaderRecordSize)
    throw DataImageError("header record: file holds only " + std::to_string(dld.size()) + " bytes");
  result.header = FILE_DOWNLOAD_HEADER_T::FromBytes(dld);
  long position = ReadRecord(dld, 0, kHeaderTag, static_cast<int>(kHeaderLengthWidth));
  if (position < 0) throw DataImageError("header record at offset 0 does not verify");
  for (int i = 0; i < partitionCount; ++i) {
    const long recordAt = position;
    position = ReadRecord(dld, recordAt, kPartitionTag, static_cast<int>(kPartitionLengthWidth));
    if (position < 0) {
      throw DataImageError("partition record of partition " + std::to_string(i + 1) + " at offset " +
                           std::to_string(recordAt) + " does not verify");
    }
    const long dataAt = position;
    position = ReadRecord(dld, dataAt, kDataTag, static_cast<int>(kDataLengthWidth));
    if (position < 0) {
      throw DataImageError("data record of partition " + std::to_string(i + 1) + " at offset " +
                           std::to_string(dataAt) + " does not verify");
    }
    const auto payloadAt = static_cast<std::size_t>(dataAt) + 1 + kDataLengthWidth;
    const auto payloadSize = static_cast<std::size_t>(position) - payloadAt - 4;
    try {
      UnpackPartition(result.image, i, dld.subspan(payloadAt, payloadSize));
    } catch (const DataImageError& e) {
      throw DataImageError(std::string(e.what()) + " (data record at offset " + std::to_string(dataAt) + ")");
    }
  }
  return result;
}

void UnpackPartition(Bytes& image, int index, ByteSpan payload) {
  RequireImage(image);
  const std::size_t offset = DataPartitionOffset(index);
  const std::size_t room = std::min(DataPartitionSize(index), kPartitionOutputArea);
  // One byte more than the partition holds, so that an oversized stream is told from a full one.
  const auto raw = LzoDecompress(payload, room + 1);
  if (!raw || raw->size() > room) {
    throw DataImageError("partition " + std::to_string(index) + " does not decompress into its " +
                         std::to_string(room) + " bytes");
  }
  std::copy(raw->begin(), raw->end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

int DetectDatabaseSlot(ByteSpan image) {
  if (GetLe32(image, kSlot1Start + kSlotMarkerOffset) == kSlotMarker) return 1;
  if (GetLe32(image, kSlot2Start + kSlotMarkerOffset) == kSlotMarker) return 2;
  return 0;
}

BlockTable ComputeBlockTable(ByteSpan image, int databaseSlot) {
  RequireImage(image);
  const std::size_t slot = SlotStart(databaseSlot);
  const bool small = IsSmallLayout(RawPackedLength(image, databaseSlot));
  BlockTable table;
  table.coveredSize = small ? kSmallCoveredSize : kLargeCoveredSize;
  table.position = slot + (small ? kSmallTableOffset : kLargeTableOffset);
  const ByteSpan covered = image.subspan(slot + kSlotDataOffset, table.coveredSize);
  for (std::size_t at = 0; at < covered.size(); at += kBlockSize) {
    table.entries.push_back(CalcCrc32(covered.subspan(at, std::min(kBlockSize, covered.size() - at))));
  }
  return table;
}

bool CheckBlockTable(ByteSpan image) {
  const BlockTable table = ComputeBlockTable(image, DetectDatabaseSlot(image));
  for (std::size_t i = 0; i < table.entries.size(); ++i) {
    if (GetLe32(image, table.position + 4 * i) != table.entries[i]) return false;
  }
  return true;
}

void WriteBlockTable(Bytes& image, int databaseSlot) {
  const BlockTable table = ComputeBlockTable(image, databaseSlot);
  for (std::size_t i = 0; i < table.entries.size(); ++i)
    PutLe32(image, table.position + 4 * i, table.entries[i]);
}

std::size_t StoredPackedLength(ByteSpan image, int databaseSlot) {
  RequireImage(image);
  const std::int32_t length = RawPackedLength(image, databaseSlot);
  const std::size_t limit = IsSmallLayout(length) ? kSmallCoveredSize : kLargeCoveredSize;
  if (length <= 0 || static_cast<std::size_t>(length) > limit) {
    throw DataImageError("packed database length " + std::to_string(length) + " at " +
                         Hex(SlotStart(databaseSlot) + kSlotLengthOffset) + " lies outside its area (1 to " +
                         std::to_string(limit) + ")");
  }
  return static_cast<std::size_t>(length);
}

Bytes UnpackDatabase(ByteSpan image, int databaseSlot) {
  const std::size_t length = StoredPackedLength(image, databaseSlot);
  const auto packed = image.subspan(SlotStart(databaseSlot) + kSlotDataOffset, length);
  const auto raw = LzoDecompress(packed, kDatabaseImageSize);
  if (!raw)
    throw DataImageError("the packed database does not decompress into " + Hex(kDatabaseImageSize) +
                         " bytes");
  Bytes database(kDatabaseImageSize, 0xFF);
  std::copy(raw->begin(), raw->end(), database.begin());
  return database;
}

SlotHeader ReadSlotHeader(ByteSpan image, int databaseSlot) {
  RequireImage(image);
  SlotHeader header{};
  const auto from = image.subspan(SlotStart(databaseSlot), kSlotHeaderSize);
  std::copy(from.begin(), from.end(), header.begin());
  return header;
}

void WriteSlotHeader(Bytes& image, int databaseSlot, const SlotHeader& header) {
  RequireImage(image);
  std::copy(header.begin(), header.end(),
            image.begin() + static_cast<std::ptrdiff_t>(SlotStart(databaseSlot)));
}

Bytes PackDatabase(ByteSpan databaseImage, int databaseSlot) {
  if (databaseImage.size() != kDatabaseImageSize) {
    throw DataImageError("database image is not " + Hex(kDatabaseImageSize) + " bytes");
  }
  // Always LZO1X-1: the layout depends on the packed size, and the box's slot layouts are fixed.
  const Bytes packed = LzoCompress(databaseImage, Compression::Lzo1x1);
  const std::size_t size = packed.size();
  const bool fitsSmall = size <= kSmallCoveredSize;
  const bool fitsLarge = size > static_cast<std::size_t>(kSmallLayoutMaxLength) && size <= kLargeCoveredSize;
  if (!fitsSmall && !fitsLarge) {
    throw DataImageError("the packed database takes " + std::to_string(size) +
                         " bytes, which fits neither layout (at most 61352, or 61433 to 126888)");
  }
  Bytes image(kDataImageSize, 0xFF);
  const std::size_t slot = SlotStart(databaseSlot);
  PutLe32(image, slot + kSlotMarkerOffset, kSlotMarker);
  PutLe32(image, slot + kSlotLengthOffset, static_cast<std::uint32_t>(size));
  std::copy(packed.begin(), packed.end(),
            image.begin() + static_cast<std::ptrdiff_t>(slot + kSlotDataOffset));
  return image;
}

Bytes ImageToDld(ByteSpan image, FILE_DOWNLOAD_HEADER_T header, int partitionCount) {
  RequireImage(image);
  const auto partitions = PartitionsOf(PartitionSet::Data);
  const int count = std::clamp(partitionCount, 0, kDataPartitionCount);
  Bytes file(kHeaderRecordSize, 0);
  for (int i = 0; i < count; ++i) {
    const auto& info = partitions[static_cast<std::size_t>(i)];
    const std::size_t offset = info.address - kDataImageBase;
    AppendPartition(file, info, image.subspan(offset, info.size));
  }
  header.ucPartitionType = TypeCodeForCount(partitionCount);
  header.ucPartitionCount = static_cast<std::uint8_t>(partitionCount);
  // The size stamp follows the file actually built, not the file the header came from.
  header.iTotalSize = static_cast<std::uint32_t>(file.size()) & 0xFFFFFF;
  const auto bytes = SealHeader(header);
  std::copy(bytes.begin(), bytes.end(), file.begin());
  return file;
}

}  // namespace tuneflash
