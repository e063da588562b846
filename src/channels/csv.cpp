// CSV reading and writing.
#include "channels/csv.h"

#include "channels/channel_error.h"

namespace tuneflash {

std::string CsvField(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string out = "\"";
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += CsvField(fields[i]);
  }
  out += "\r\n";
}

namespace {

// Reads records field by field; `line` follows every line break, quoted ones too.
class CsvParser {
 public:
  explicit CsvParser(std::string_view text) : text_(text) {}

  std::vector<CsvRecord> Records() {
    std::vector<CsvRecord> records;
    while (pos_ < text_.size()) {
      if (AtLineEnd()) {
        SkipLineEnd();
        continue;
      }
      CsvRecord record{line_, {}};
      do {
        record.fields.push_back(Field(record.line));
      } while (TakeComma());
      if (pos_ < text_.size()) SkipLineEnd();
      records.push_back(std::move(record));
    }
    return records;
  }

 private:
  bool AtLineEnd() const { return text_[pos_] == '\n' || text_[pos_] == '\r'; }
  void SkipLineEnd() {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
  }
  bool TakeComma() {
    if (pos_ < text_.size() && text_[pos_] == ',') {
      ++pos_;
      return true;
    }
    return false;
  }

  std::string Field(int recordLine) {
    std::string field;
    if (pos_ >= text_.size() || text_[pos_] != '"') {
      while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) {
        if (text_[pos_] == '"') throw ChannelEditError("a quote inside an unquoted field", line_);
        field += text_[pos_++];
      }
      return field;
    }
    ++pos_;
    for (;;) {
      if (pos_ >= text_.size()) throw ChannelEditError("a quoted field is not closed", recordLine);
      const char c = text_[pos_++];
      if (c == '"') {
        if (pos_ < text_.size() && text_[pos_] == '"') {
          field += '"';
          ++pos_;
          continue;
        }
        if (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) {
          throw ChannelEditError("text after a closing quote", line_);
        }
        return field;
      }
      if (c == '\n') ++line_;
      field += c;
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace

std::vector<CsvRecord> ParseCsv(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return CsvParser(text).Records();
}

}  // namespace tuneflash
