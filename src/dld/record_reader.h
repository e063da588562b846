// The verifying record reader and a whole-file verifier that says which record
// failed and where.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dld/bytes.h"
#include "dld/records.h"

namespace tuneflash {

// Reads the record at `position` of `file`: checks the tag, reads the
// little-endian length L (`lengthWidth` bytes), checks CalcCrc32 over the L-4
// payload bytes against the stored value. Returns the position of the next
// record, or -1 on a wrong tag, a length below 4, a record that runs past the
// end of the file, or a check value mismatch.
long ReadRecord(ByteSpan file, long position, std::uint8_t tag, int lengthWidth);

enum class RecordKind { Header, Partition, Data };
std::string_view RecordKindName(RecordKind kind);

// One partition as found in a download file.
struct PartitionReport {
  int index = 0;
  std::size_t recordOffset = 0;
  std::size_t dataOffset = 0;
  FILE_DOWNLOAD_PARTITION_T record;
  bool recordOk = false;      // the partition record's check value
  bool dataOk = false;        // the data record's tag, length and check value
  bool decompressOk = false;  // decompresses within uiRawSize to exactly uiRawSize bytes
  bool rawCrcOk = false;      // CalcCrc32 of the raw image equals uiRawCrc
  Bytes raw;                  // the raw image when decompression held and it was asked for
};

struct VerifyFailure {
  RecordKind kind = RecordKind::Header;
  int partitionIndex = -1;  // -1 for the header
  std::size_t offset = 0;
  std::string reason;
};

struct VerifyReport {
  std::optional<FILE_DOWNLOAD_HEADER_T> header;  // present when 71 bytes could be read
  bool headerOk = false;
  std::size_t fileSize = 0;
  std::vector<PartitionReport> partitions;
  std::optional<VerifyFailure> failure;  // the first failing record, if any
  bool ok() const { return !failure.has_value(); }
};

// "the data record of partition 2, offset 1234 (0x4D2): <reason>": which
// record failed and where, for an error box or a report line.
std::string DescribeVerifyFailure(const VerifyFailure& failure);

// Walks the whole file: header, then ucPartitionCount partition/data pairs,
// and checks that nothing follows the last record. Keeps the raw images
// when `keepImages` is set. Never reads outside `file`.
VerifyReport VerifyDownloadFile(ByteSpan file, bool keepImages = false);

}  // namespace tuneflash
