// Reading the records back.
#include "app/station/station_records.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

namespace tuneflash::app {
namespace {

std::string TextOf(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::optional<StationRecord> ParseStationRecord(const std::string& line) {
  const auto json = nlohmann::json::parse(line, nullptr, false);
  if (json.is_discarded() || !json.is_object() || !json.contains("result")) return std::nullopt;
  StationRecord record;
  record.end = TextOf(json, "end");
  record.runId = TextOf(json, "run_id");
  record.port = TextOf(json, "port");
  record.device = TextOf(json, "device");
  record.command = TextOf(json, "command");
  record.result = TextOf(json, "result");
  if (const auto box = json.find("box"); box != json.end() && box->is_number_integer()) record.box = *box;
  if (const auto failure = json.find("failure"); failure != json.end() && failure->is_object()) {
    record.cause = TextOf(*failure, "cause");
    record.reason = TextOf(*failure, "text");
  }
  return record;
}

std::vector<StationRecord> RecordTail::ReadNew() {
  std::vector<StationRecord> records;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path_, ec);
  if (ec) return records;
  if (size < offset_) {
    offset_ = 0;
    partial_.clear();
  }
  if (size == offset_) return records;
  std::ifstream in(path_, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset_));
  std::string chunk(size - offset_, '\0');
  in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  chunk.resize(static_cast<std::size_t>(in.gcount()));
  offset_ += chunk.size();
  partial_ += chunk;
  std::size_t start = 0;
  for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1) {
    if (auto record = ParseStationRecord(partial_.substr(start, end - start))) records.push_back(*record);
  }
  partial_.erase(0, start);
  return records;
}

void RecordTail::SkipExisting() {
  SkipAllBut(0);
}

void RecordTail::SkipAllBut(std::uintmax_t bytes) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path_, ec);
  offset_ = ec || size < bytes ? 0 : size - bytes;
  // The first line read may be the end of one cut here: it is no record and is skipped.
  partial_.clear();
}

void ShiftTotals::Add(const StationRecord& record) {
  if (record.result == "success") {
    ++succeeded;
  } else if (record.result == "stopped") {
    ++stopped;
  } else {
    ++failed;
    ++failuresByCause[record.cause.empty() ? std::string("unknown") : record.cause];
  }
}

std::string ShiftTotals::Text(std::chrono::seconds shift) const {
  const int boxes = succeeded + failed;
  char part[64];
  std::string text = std::to_string(boxes) + (boxes == 1 ? " box" : " boxes");
  if (shift >= std::chrono::minutes(1)) {
    std::snprintf(part, sizeof part, " · %.1f per hour", boxes * 3600.0 / static_cast<double>(shift.count()));
    text += part;
  }
  if (boxes > 0) {
    std::snprintf(part, sizeof part, " · %.1f %% passed", 100.0 * succeeded / boxes);
    text += part;
  }
  if (!failuresByCause.empty()) {
    text += " · failures:";
    for (const auto& [cause, count] : failuresByCause)
      text += " " + cause + " " + std::to_string(count) + ";";
    text.pop_back();
  }
  return text;
}

}  // namespace tuneflash::app
