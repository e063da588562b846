// Reads SatcoDX channel lists: fixed 128-column service lines, parsed one at a
// time into SATCODX_INFO_SHOW_T and handed to a merge step.
#pragma once

#include <functional>
#include <vector>

#include "dld/bytes.h"
#include "satcodx/satcodx_record.h"

namespace tuneflash {

// Where the lines of `file` start. Lines normally follow one another every
// 128 bytes. Lists whose writers end each record with a line feed put the
// second "SATCODX" signature further on; then that distance is the stride, and
// the list ends at the first position that does not begin with the signature.
std::vector<std::size_t> SatcoDxLineOffsets(ByteSpan file);

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
  // numeric column that does not convert; a column made only of "_" is "not
  // given" (a PID becomes 8191, any other number 0).
  void ParseSatcoDxLine();

  // Reads, parses and merges every line of `file`. Returns false when it
  // stopped because `hasRoom` said no before a line (that line is not merged).
  bool ReadSatcoDxFile(ByteSpan file, const RoomCheck& hasRoom, const Merge& merge, const Pump& pump);

  // Loads the line buffer from `file` at `offset`; bytes past the end stay 0.
  void LoadLine(ByteSpan file, std::size_t offset);

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
