// The station's view of runs.jsonl: the records appended since it last
// looked, read incrementally so a file of a year's boxes costs the window
// only its new lines, and the totals of the shift made from them.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tuneflash::app {

// The fields of one record the station shows.
struct StationRecord {
  std::string end;  // as written: "2026-12-08T18:30:05.042Z"
  std::string runId;
  std::string port;
  std::string device;
  std::string command;
  std::string result;  // "success", "failed", "stopped"
  std::string cause;   // the failure's cause; empty without a failure
  std::string reason;  // the failure's whole text
  int box = 0;
};

// One line of runs.jsonl; nothing for a line that is no record (cut short by
// a crash, or not JSON).
std::optional<StationRecord> ParseStationRecord(const std::string& line);

class RecordTail {
 public:
  explicit RecordTail(std::filesystem::path path) : path_(std::move(path)) {}

  // The records of the lines completed since the last call (all of them at
  // the first). A file that became shorter is read again from its start.
  std::vector<StationRecord> ReadNew();
  // Leaves the lines written so far unread: the next ReadNew starts at the end.
  void SkipExisting();
  // Leaves all but the last `bytes` of the file unread; the line cut there is skipped.
  void SkipAllBut(std::uintmax_t bytes);

 private:
  std::filesystem::path path_;
  std::uintmax_t offset_ = 0;
  std::string partial_;  // the start of a line whose end has not been written yet
};

// The boxes of one shift, by how they ended.
struct ShiftTotals {
  int succeeded = 0;
  int failed = 0;
  int stopped = 0;
  std::map<std::string, int> failuresByCause;

  void Add(const StationRecord& record);
  // "42 boxes · 38.5 per hour · 95.2 % passed · failures: no reply from the box 2";
  // the rate once the shift has run a minute.
  std::string Text(std::chrono::seconds shift) const;
};

}  // namespace tuneflash::app
