// Checking one data record.
#include "dld/data_record_check.h"

#include "dld/crc32.h"
#include "dld/lzo_codec.h"

namespace tuneflash {

DataRecordCheck CheckDataRecord(ByteSpan dataRecord, const FILE_DOWNLOAD_PARTITION_T& record) {
  if (dataRecord.empty() || dataRecord[0] != kDataTag) return DataRecordCheck::WrongTag;
  const std::size_t packedSize = record.uiPackedSize;
  if (dataRecord.size() != packedSize + kDataRecordOverhead || GetLe24(dataRecord, 1) != packedSize + 4)
    return DataRecordCheck::WrongLength;
  const ByteSpan packed = dataRecord.subspan(4, packedSize);
  if (GetLe32(dataRecord, 4 + packedSize) != CalcCrc32(packed)) return DataRecordCheck::CheckValue;
  const auto raw = LzoDecompress(packed, record.uiRawSize);
  if (!raw || raw->size() != record.uiRawSize) return DataRecordCheck::DoesNotUnpack;
  if (CalcCrc32(*raw) != record.uiRawCrc) return DataRecordCheck::RawCheckValue;
  return DataRecordCheck::Holds;
}

std::string_view DataRecordCheckText(DataRecordCheck check) {
  switch (check) {
    case DataRecordCheck::Holds:
      return "holds";
    case DataRecordCheck::WrongTag:
      return "wrong tag";
    case DataRecordCheck::WrongLength:
      return "length differs from its partition record";
    case DataRecordCheck::CheckValue:
      return "check value mismatch";
    case DataRecordCheck::DoesNotUnpack:
      return "does not decompress to its raw size";
    case DataRecordCheck::RawCheckValue:
      return "raw image check value mismatch";
  }
  return "does not hold";
}

}  // namespace tuneflash
