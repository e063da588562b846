// SatcoDX line parsing and file reading.
#include "satcodx/satcodx_reader.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "dld/int_text.h"

namespace tuneflash {
namespace {

constexpr std::string_view kSignature = "SATCODX";
// How far a record's line end is looked for (records of later versions are
// longer than 128 bytes; only the first 128 are read).
constexpr std::size_t kMaxSeparatedStride = 2 * kSatcoDxLineSize;

// Column text: the bytes up to the first zero byte, or the whole column.
std::string Column(const SatcoDxLine& line, std::size_t from, std::size_t width) {
  std::string text;
  for (std::size_t i = from; i < from + width && line[i] != 0; ++i)
    text.push_back(static_cast<char>(line[i]));
  return text;
}

bool NotGiven(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c == '_'; });
}

// A numeric column through the standard conversion.
std::int32_t Number(const SatcoDxLine& line, std::size_t from, std::size_t width) {
  return StrToInt(Column(line, from, width));
}

std::string NumberText(const SatcoDxLine& line, std::size_t from, std::size_t width) {
  return std::to_string(Number(line, from, width));
}

// A PID column: only here does a column of "_" mean "not given" (no stream).
std::string PidText(const SatcoDxLine& line, std::size_t from) {
  constexpr std::size_t kPidWidth = 4;
  const std::string text = Column(line, from, kPidWidth);
  return std::to_string(NotGiven(text) ? kNoStreamPid : StrToInt(text));
}

std::uint8_t ServiceType(std::uint8_t code) {
  switch (code) {
    case 'T':
      return kSatcoDxServiceTv;
    case 'R':
      return kSatcoDxServiceRadio;
    case 'D':
      return kSatcoDxServiceData;
    case '_':
      return kSatcoDxServiceOther;
    default:
      return kSatcoDxServiceTv;
  }
}

std::string ServiceIdText(std::int16_t serviceId) {
  char text[16];
  std::snprintf(text, sizeof text, "0X%02X", static_cast<unsigned>(static_cast<std::int32_t>(serviceId)));
  return text;
}

bool StartsWithSignature(ByteSpan file, std::size_t offset) {
  if (offset > file.size() || file.size() - offset < kSignature.size()) return false;
  return std::equal(kSignature.begin(), kSignature.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
}

bool IsLineEnd(std::uint8_t b) {
  return b == '\r' || b == '\n';
}

// Bytes lists carry after their last record: padding and the old end-of-file mark.
bool IsTailByte(std::uint8_t b) {
  return b == 0 || b == ' ' || IsLineEnd(b) || b == 0x1A;
}

bool OnlyTailFrom(ByteSpan file, std::size_t offset) {
  return std::all_of(file.begin() + static_cast<std::ptrdiff_t>(offset), file.end(), IsTailByte);
}

// The record at `at`: its bytes up to its line end (at most 128), and where
// the next may start, past any run of line ends. Without a line end in reach,
// or when the next signature follows right after 128 bytes and the line end
// found lies beyond it, records lie back to back.
SatcoDxRecordSpan MeasureRecord(ByteSpan file, std::size_t at) {
  const std::size_t limit = std::min(file.size(), at + kMaxSeparatedStride);
  std::size_t end = at;
  while (end < limit && !IsLineEnd(file[end])) ++end;
  const std::size_t fixedEnd = at + kSatcoDxLineSize;
  if (end == limit || (end > fixedEnd && StartsWithSignature(file, fixedEnd))) {
    const std::size_t length = std::min(kSatcoDxLineSize, file.size() - at);
    return {at, length, at + length};
  }
  std::size_t next = end;
  while (next < file.size() && IsLineEnd(file[next])) ++next;
  return {at, std::min(end - at, kSatcoDxLineSize), next};
}

}  // namespace

std::string FormatLongitude(std::int16_t tenths) {
  char text[32];
  std::snprintf(text, sizeof text, "%5.1f", static_cast<double>(tenths) / 10.0);
  return text;
}

SatcoDxPosition ParseSatcoDxPosition(const SatcoDxLine& line) {
  SatcoDxPosition position;
  position.longitude = static_cast<std::int16_t>(Number(line, 51, 4));
  position.longitude_text = FormatLongitude(position.longitude);
  position.sat_name = Column(line, 10, 18);
  return position;
}

SatcoDxFormatError::SatcoDxFormatError(const std::string& what, std::size_t line, std::size_t offset)
    : std::runtime_error(what), line_(line), offset_(offset) {}

SatcoDxFormatError FormatError(std::string_view listName, std::size_t line, std::size_t offset,
                               std::string_view reason) {
  return SatcoDxFormatError(std::string(listName) + ": line " + std::to_string(line) + " (byte offset " +
                                std::to_string(offset) + "): " + std::string(reason),
                            line, offset);
}

std::vector<SatcoDxRecordSpan> SatcoDxRecords(ByteSpan file, std::string_view listName) {
  std::vector<SatcoDxRecordSpan> records;
  std::size_t at = 0;
  while (at < file.size()) {
    if (!StartsWithSignature(file, at)) {
      if (OnlyTailFrom(file, at)) break;
      throw FormatError(listName, records.size() + 1, at, "no \"SATCODX\" where a record must start");
    }
    const SatcoDxRecordSpan record = MeasureRecord(file, at);
    if (record.length < kSatcoDxLineSize && record.next == record.offset + record.length) {
      throw FormatError(listName, records.size() + 1, at, "the record is cut short by the end of the list");
    }
    records.push_back(record);
    at = record.next;
  }
  return records;
}

void SatcoDxReader::ClearSatcoDxRecord() {
  line_.fill(0);
  record_ = SATCODX_INFO_SHOW_T{};
}

void SatcoDxReader::LoadLine(ByteSpan file, std::size_t offset, std::size_t length) {
  line_.fill(0);
  if (offset >= file.size()) return;
  const std::size_t n = std::min({length, kSatcoDxLineSize, file.size() - offset});
  std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), n, line_.begin());
}

void SatcoDxReader::ParseSatcoDxLine() {
  SATCODX_INFO_SHOW_T& r = record_;
  r.signature = Column(line_, 0, 7);
  r.version = static_cast<std::uint8_t>(Number(line_, 7, 1));
  r.sub_version = Column(line_, 8, 2);
  r.sat_name = Column(line_, 10, 18);
  r.service_type = ServiceType(line_[28]);
  r.mpeg_type = Column(line_, 29, 4) == "MPG1" ? kMpegType1 : kMpegType2;
  r.frequency_text = std::to_string(Number(line_, 33, 9) / 1000);
  r.polarisation_digit = static_cast<std::uint8_t>(Number(line_, 42, 1));
  r.longitude = static_cast<std::int16_t>(Number(line_, 51, 4));
  r.longitude_text = FormatLongitude(r.longitude);
  r.text_a = Column(line_, 55, 8);
  r.text_b = Column(line_, 63, 3);
  r.text_c = Column(line_, 66, 3);
  r.symbol_rate_text = NumberText(line_, 69, 5);
  r.fec = static_cast<std::uint8_t>(Number(line_, 74, 1));
  r.pid_a_text = PidText(line_, 75);
  r.pid_b_text = PidText(line_, 79);
  r.pid_c_text = PidText(line_, 83);
  r.service_id = static_cast<std::int16_t>(Number(line_, 87, 5) & 0xFFFF);
  r.service_id_text = ServiceIdText(r.service_id);
  r.number_a_text = NumberText(line_, 92, 5);
  r.number_b_text = NumberText(line_, 97, 5);
  for (std::size_t i = 0; i < r.language_code.size(); ++i)
    r.language_code[i] = static_cast<char>(line_[102 + i]);
  r.text_d = Column(line_, 106, 2);
  r.text_e = Column(line_, 108, 3);
  r.scrambled = Column(line_, 111, 4) == "____" ? 0 : 1;
  r.ca_ids = {};
  r.name = Column(line_, 43, 8) + Column(line_, 115, 12);
  r.spare_text.clear();
}

bool SatcoDxReader::ReadSatcoDxFile(ByteSpan file, const RoomCheck& hasRoom, const Merge& merge,
                                    const Pump& pump, std::string_view listName) {
  const auto records = SatcoDxRecords(file, listName);
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (pump) pump();
    ClearSatcoDxRecord();
    LoadLine(file, records[i].offset, records[i].length);
    try {
      ParseSatcoDxLine();
    } catch (const ConversionError& e) {
      throw FormatError(listName, i + 1, records[i].offset, e.what());
    }
    if (!hasRoom()) return false;
    merge(record_);
  }
  return true;
}

}  // namespace tuneflash
