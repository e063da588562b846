// Upload fix-ups.
#include "dld/fixups.h"

#include "dld/crc32.h"
#include "dld/partition_sets.h"

namespace tuneflash {

std::optional<std::array<std::uint8_t, kHeaderRecordSize>> FixReceivedHeader(ByteSpan received,
                                                                             std::uint8_t partitionCount) {
  if (received.size() < kHeaderRecordSize) return std::nullopt;
  if (CalcCrc32(received.subspan(kHeaderPayloadOffset, kHeaderPayloadSize)) !=
      GetLe32(received, kHeaderCrcOffset)) {
    return std::nullopt;
  }
  auto header = FILE_DOWNLOAD_HEADER_T::FromBytes(received);
  header.ucPartitionType = TypeCodeForCount(partitionCount);
  header.ucPartitionCount = partitionCount;
  header.iTotalSize = 0;
  header.uiCrc = header.ComputeCrc();
  return header.ToBytes();
}

std::optional<std::array<std::uint8_t, kPartitionRecordSize>> FixReceivedPartitionRecord(ByteSpan received) {
  if (received.size() < kPartitionRecordSize) return std::nullopt;
  if (CalcCrc32(received.subspan(kPartitionPayloadOffset, kPartitionPayloadSize)) !=
      GetLe32(received, kPartitionCrcOffset)) {
    return std::nullopt;
  }
  auto record = FILE_DOWNLOAD_PARTITION_T::FromBytes(received);
  record.ucBlockCount = BlockCountFor(record.uiPackedSize);
  record.uiCrc = record.ComputeCrc();
  return record.ToBytes();
}

}  // namespace tuneflash
