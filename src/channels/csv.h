// RFC 4180 comma-separated values: fields quoted when they hold a comma, a
// quote or a line break; records ended by CRLF (LF accepted when read).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tuneflash {

struct CsvRecord {
  int line = 0;  // the line it starts on, from 1
  std::vector<std::string> fields;
};

// `field` as written in a record.
std::string CsvField(std::string_view field);

// Appends one record and its CRLF to `out`.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields);

// Every record of `text`; a leading UTF-8 byte order mark is skipped, blank
// lines are skipped. ChannelEditError naming the line of a quote left open or
// of text after a closing quote.
std::vector<CsvRecord> ParseCsv(std::string_view text);

}  // namespace tuneflash
