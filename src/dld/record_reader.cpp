// Verifying reader for download file records.
#include "dld/record_reader.h"

#include <cstdio>

#include "dld/crc32.h"
#include "dld/lzo_codec.h"

namespace tuneflash {

long ReadRecord(ByteSpan file, long position, std::uint8_t tag, int lengthWidth) {
  if (position < 0 || lengthWidth < 1 || lengthWidth > 4) return -1;
  const auto pos = static_cast<std::size_t>(position);
  const auto width = static_cast<std::size_t>(lengthWidth);
  if (pos >= file.size() || file.size() - pos < 1 + width) return -1;
  if (file[pos] != tag) return -1;
  const std::uint32_t length = GetLe(file, pos + 1, width);
  if (length < 4) return -1;
  const std::size_t payloadOffset = pos + 1 + width;
  if (file.size() - payloadOffset < length) return -1;
  const std::size_t payloadSize = length - 4;
  const std::uint32_t stored = GetLe32(file, payloadOffset + payloadSize);
  if (CalcCrc32(file.subspan(payloadOffset, payloadSize)) != stored) return -1;
  return static_cast<long>(payloadOffset + length);
}

std::string_view RecordKindName(RecordKind kind) {
  switch (kind) {
    case RecordKind::Header:
      return "header record";
    case RecordKind::Partition:
      return "partition record";
    case RecordKind::Data:
      return "data record";
  }
  return "record";
}

std::string DescribeVerifyFailure(const VerifyFailure& failure) {
  std::string text = "the " + std::string(RecordKindName(failure.kind));
  if (failure.partitionIndex >= 0) text += " of partition " + std::to_string(failure.partitionIndex + 1);
  char offset[64];
  std::snprintf(offset, sizeof offset, ", offset %zu (0x%zX): ", failure.offset, failure.offset);
  return text + offset + failure.reason;
}

namespace {

// Why the record at `pos` fails ReadRecord, for the report.
std::string DescribeRecordFailure(ByteSpan file, std::size_t pos, std::uint8_t tag, std::size_t width) {
  if (pos >= file.size()) return "file ends before the record";
  if (file[pos] != tag) {
    return "wrong tag " + std::to_string(file[pos]) + " (expected " + std::to_string(tag) + ")";
  }
  if (file.size() - pos < 1 + width) return "file ends inside the length field";
  const std::uint32_t length = GetLe(file, pos + 1, width);
  if (length < 4) return "length " + std::to_string(length) + " below 4";
  if (file.size() - pos - 1 - width < length) {
    return "length " + std::to_string(length) + " runs past the end of the file (" +
           std::to_string(file.size() - pos - 1 - width) + " bytes left)";
  }
  return "check value mismatch";
}

}  // namespace

VerifyReport VerifyDownloadFile(ByteSpan file, bool keepImages) {
  VerifyReport report;
  report.fileSize = file.size();
  auto fail = [&](RecordKind kind, int index, std::size_t offset, std::string reason) {
    report.failure = VerifyFailure{kind, index, offset, std::move(reason)};
    return report;
  };

  if (file.size() >= kHeaderRecordSize) report.header = FILE_DOWNLOAD_HEADER_T::FromBytes(file);
  long next = ReadRecord(file, 0, kHeaderTag, kHeaderLengthWidth);
  if (next < 0) return fail(RecordKind::Header, -1, 0, DescribeRecordFailure(file, 0, kHeaderTag, 2));
  if (static_cast<std::size_t>(next) != kHeaderRecordSize || !report.header) {
    return fail(RecordKind::Header, -1, 0, "length " + std::to_string(next - 3) + " is not 68");
  }
  report.headerOk = true;
  const int count = report.header->ucPartitionCount;
  if (count == 0) return fail(RecordKind::Header, -1, 52, "the header names no partitions");

  for (int i = 0; i < count; ++i) {
    PartitionReport part;
    part.index = i;
    part.recordOffset = static_cast<std::size_t>(next);
    const long afterRecord = ReadRecord(file, next, kPartitionTag, kPartitionLengthWidth);
    if (afterRecord < 0 || afterRecord - next != static_cast<long>(kPartitionRecordSize)) {
      report.partitions.push_back(part);
      const std::string why = afterRecord < 0
                                  ? DescribeRecordFailure(file, part.recordOffset, kPartitionTag, 1)
                                  : "length is not 24";
      return fail(RecordKind::Partition, i, part.recordOffset, why);
    }
    part.record = FILE_DOWNLOAD_PARTITION_T::FromBytes(file.subspan(part.recordOffset));
    part.recordOk = true;
    part.dataOffset = static_cast<std::size_t>(afterRecord);
    next = ReadRecord(file, afterRecord, kDataTag, kDataLengthWidth);
    if (next < 0) {
      report.partitions.push_back(part);
      return fail(RecordKind::Data, i, part.dataOffset,
                  DescribeRecordFailure(file, part.dataOffset, kDataTag, 3));
    }
    part.dataOk = true;
    const ByteSpan packed =
        file.subspan(part.dataOffset + 4, static_cast<std::size_t>(next) - part.dataOffset - 8);
    auto raw = LzoDecompress(packed, part.record.uiRawSize);
    part.decompressOk = raw && raw->size() == part.record.uiRawSize;
    part.rawCrcOk = part.decompressOk && CalcCrc32(*raw) == part.record.uiRawCrc;
    if (keepImages && part.decompressOk) part.raw = std::move(*raw);
    report.partitions.push_back(std::move(part));
    const auto& last = report.partitions.back();
    if (!last.decompressOk) {
      return fail(RecordKind::Data, i, last.dataOffset, "does not decompress to its raw size");
    }
    if (!last.rawCrcOk) return fail(RecordKind::Data, i, last.dataOffset, "raw image check value mismatch");
  }
  if (static_cast<std::size_t>(next) != file.size()) {
    return fail(
        RecordKind::Data, count - 1, static_cast<std::size_t>(next),
        std::to_string(file.size() - static_cast<std::size_t>(next)) + " bytes follow the last record");
  }
  return report;
}

}  // namespace tuneflash
