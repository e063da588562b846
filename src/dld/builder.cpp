// Download file builder.
#include "dld/builder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "dld/crc32.h"
#include "dld/lzo_codec.h"

namespace tuneflash {

FILE_DOWNLOAD_PARTITION_T AppendPartition(Bytes& file, const PartitionInfo& info, ByteSpan raw,
                                          Compression compression) {
  if (raw.size() != info.size) throw std::length_error("partition image is not its partition's size");
  FILE_DOWNLOAD_PARTITION_T record;
  record.ucAttribute = info.attribute;
  record.uiAddress = info.address;
  record.uiRawSize = info.size;
  record.uiRawCrc = CalcCrc32(raw);
  const Bytes packed = LzoCompress(raw, compression);
  if (packed.size() > kMaxBlockCountPackedSize) {
    throw std::length_error("a partition of " + std::to_string(raw.size()) + " bytes packs to " +
                            std::to_string(packed.size()) + " bytes, more than 255 data blocks hold");
  }
  const Bytes data = MakeDataRecord(packed);
  record.uiPackedSize = static_cast<std::uint32_t>(packed.size());
  record.uiPackedCrc = GetLe32(data, data.size() - 4);
  record.ucBlockCount = BlockCountFor(record.uiPackedSize);
  record.uiCrc = record.ComputeCrc();
  const auto bytes = record.ToBytes();
  file.insert(file.end(), bytes.begin(), bytes.end());
  file.insert(file.end(), data.begin(), data.end());
  return record;
}

Bytes PadImage(ByteSpan image, std::size_t size) {
  if (image.size() > size) {
    throw std::length_error("image of " + std::to_string(image.size()) +
                            " bytes is larger than its partition (" + std::to_string(size) + " bytes)");
  }
  Bytes padded(size, 0xFF);
  std::copy(image.begin(), image.end(), padded.begin());
  return padded;
}

std::array<std::uint8_t, kHeaderRecordSize> SealHeader(FILE_DOWNLOAD_HEADER_T& header) {
  header.ucTag = kHeaderTag;
  header.usLength = kHeaderLength;
  header.uiCrc = header.ComputeCrc();
  return header.ToBytes();
}

Bytes BuildDownloadFile(const FILE_DOWNLOAD_HEADER_T& identity, PartitionSet set,
                        std::span<const Bytes> images, Compression compression) {
  const auto partitions = PartitionsOf(set);
  if (images.size() != partitions.size()) {
    throw std::invalid_argument("the " + std::string(PartitionSetName(set)) + " set has " +
                                std::to_string(partitions.size()) + " partitions, got " +
                                std::to_string(images.size()) + " images");
  }
  Bytes file(kHeaderRecordSize, 0);
  for (std::size_t i = 0; i < partitions.size(); ++i) {
    AppendPartition(file, partitions[i], PadImage(images[i], partitions[i].size), compression);
  }
  FILE_DOWNLOAD_HEADER_T header = identity;
  header.ucPartitionType = TypeCodeForCount(static_cast<int>(partitions.size()));
  header.ucPartitionCount = static_cast<std::uint8_t>(partitions.size());
  header.iTotalSize = TotalSizeField(file.size());
  const auto bytes = SealHeader(header);
  std::copy(bytes.begin(), bytes.end(), file.begin());
  return file;
}

std::uint32_t TotalSizeField(std::size_t fileSize) {
  constexpr std::size_t kMaxTotalSize = 0xFFFFFF;
  if (fileSize > kMaxTotalSize) {
    throw std::length_error("the file would be " + std::to_string(fileSize) + " bytes, more than the " +
                            std::to_string(kMaxTotalSize) + " its header's 24-bit total size can name");
  }
  return static_cast<std::uint32_t>(fileSize);
}

}  // namespace tuneflash
