// Reads SatcoDX channel lists: fixed 128-column service lines, parsed one at a
// time into SATCODX_INFO_SHOW_T and handed to a merge step.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "dld/bytes.h"
#include "satcodx/satcodx_record.h"

namespace tuneflash {

// A list that is not made of records, or a record whose numeric column does
// not convert. what() names the list, the line (the record's number, from 1)
// and the byte offset where the record (or the missing one) starts.
class SatcoDxFormatError : public std::runtime_error {
 public:
  SatcoDxFormatError(const std::string& what, std::size_t line, std::size_t offset);
  std::size_t line() const noexcept { return line_; }
  std::size_t offset() const noexcept { return offset_; }

 private:
  std::size_t line_;
  std::size_t offset_;
};

// The error for line `line` of `listName` starting at `offset`:
// "<list>: line <n> (byte offset <o>): <reason>".
SatcoDxFormatError FormatError(std::string_view listName, std::size_t line, std::size_t offset,
                               std::string_view reason);

// One record of a list: where it starts, how many of its bytes are the
// record's (at most 128, up to its line end), and where the next may start.
struct SatcoDxRecordSpan {
  std::size_t offset = 0;
  std::size_t length = 0;
  std::size_t next = 0;

  bool operator==(const SatcoDxRecordSpan&) const = default;
};

// The records of `file`, found by their "SATCODX" signature whatever separates
// them: 128-byte records back to back, or lines ending in LF or CRLF, in any
// mix. A tail of NUL, blank, CR, LF or 0x1A bytes after the last record ends
// the list. Anything else where a record must start, or a record cut short by
// the end of the list, throws SatcoDxFormatError.
std::vector<SatcoDxRecordSpan> SatcoDxRecords(ByteSpan file, std::string_view listName);

class SatcoDxReader {
 public:
  // The room check: true while another line may be merged.
  using RoomCheck = std::function<bool()>;
  // Merges the record just parsed.
  using Merge = std::function<void(const SATCODX_INFO_SHOW_T&)>;
  using Pump = std::function<void()>;

  // Zeroes the line buffer and clears every field of the record.
  void ClearSatcoDxRecord();

  // Fills the record from the line buffer. Throws ConversionError for a
  // numeric column that does not convert; in the three PID columns only, a
  // column made only of "_" is "not given" (PID 8191).
  void ParseSatcoDxLine();

  // Finds every record of `file` (SatcoDxRecords), then parses and merges
  // them in turn. Returns false when it stopped because `hasRoom` said no
  // before a line (that line is not merged). SatcoDxFormatError, naming
  // `listName` and the line, for a list that is not made of records (before
  // anything is merged) or a column that does not convert.
  bool ReadSatcoDxFile(ByteSpan file, const RoomCheck& hasRoom, const Merge& merge, const Pump& pump,
                       std::string_view listName = "list");

  // Loads the line buffer from the `length` bytes of `file` at `offset`
  // (at most 128); the rest stays 0.
  void LoadLine(ByteSpan file, std::size_t offset, std::size_t length = kSatcoDxLineSize);

  SatcoDxLine& line() { return line_; }
  const SATCODX_INFO_SHOW_T& record() const { return record_; }

 private:
  SatcoDxLine line_{};
  SATCODX_INFO_SHOW_T record_;
};

// The position columns of a line as the pipeline reads them from line 0:
// longitude (bytes 51-54), its "%5.1f" text, and the satellite name.
struct SatcoDxPosition {
  std::int16_t longitude = 0;
  std::string longitude_text;
  std::string sat_name;
};
SatcoDxPosition ParseSatcoDxPosition(const SatcoDxLine& line);

// "%5.1f" of tenths / 10 in the current locale.
std::string FormatLongitude(std::int16_t tenths);

}  // namespace tuneflash
