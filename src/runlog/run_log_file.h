// The JSON Lines file the records go to. Each record is appended with one
// write on a descriptor opened for appending, then synced, so records of
// ports running in parallel (or of several programs) never interleave and a
// record that was reported written survives a power cut.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "runlog/run_origin.h"

namespace tuneflash {

// Why a record could not be opened or appended.
struct RunLogFailure {
  std::filesystem::path path;
  std::string reason;

  // "'runs.jsonl': <reason>".
  std::string Describe() const;
};

class RunLogFile {
 public:
  // Opens `path` for appending, creating it (mode 0644) when it is not there.
  // A file whose last line lacks its line feed (a record cut short) gets one
  // in front of the next record, in the same write, so that record starts on
  // a line of its own. A new file's folder is synced. Every record appended
  // carries `origin`.
  static std::optional<RunLogFile> Open(const std::filesystem::path& path, RunLogFailure& failure,
                                        RunOrigin origin = RunOrigin::OfThisRun());

  RunLogFile(RunLogFile&& other) noexcept;
  RunLogFile& operator=(RunLogFile&&) = delete;
  RunLogFile(const RunLogFile&) = delete;
  ~RunLogFile();

  // Appends `line`, one record ending in its only '\n', with a single write,
  // then syncs a regular file to disk. Safe to call from several threads at
  // once. Nothing when the line is on disk, otherwise why not.
  std::optional<RunLogFailure> Append(std::string_view line) const;

  const std::filesystem::path& path() const { return path_; }
  const RunOrigin& origin() const { return origin_; }

 private:
  RunLogFile(int fd, std::filesystem::path path, bool regular, bool lineOpen, RunOrigin origin)
      : fd_(fd), path_(std::move(path)), regular_(regular), lineOpen_(lineOpen), origin_(std::move(origin)) {}

  int fd_ = -1;
  std::filesystem::path path_;
  bool regular_ = true;
  mutable std::mutex mutex_;       // guards lineOpen_ and orders the appends of one program
  mutable bool lineOpen_ = false;  // the file's last line lacks its line feed
  RunOrigin origin_;
};

}  // namespace tuneflash
