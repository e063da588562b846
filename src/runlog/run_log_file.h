// The JSON Lines file the records go to. Each record is appended with one
// write on a descriptor opened for appending, then synced, so records of
// ports running in parallel (or of several programs) never interleave and a
// record that was reported written survives a power cut.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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
  // A file whose last line lacks its line feed (a record cut short) gets one,
  // so the next record starts on a line of its own.
  static std::optional<RunLogFile> Open(const std::filesystem::path& path, RunLogFailure& failure);

  RunLogFile(RunLogFile&& other) noexcept;
  RunLogFile& operator=(RunLogFile&&) = delete;
  RunLogFile(const RunLogFile&) = delete;
  ~RunLogFile();

  // Appends `line`, one record ending in its only '\n', with a single write,
  // then syncs a regular file to disk. Safe to call from several threads at
  // once. Nothing when the line is on disk, otherwise why not.
  std::optional<RunLogFailure> Append(std::string_view line) const;

  const std::filesystem::path& path() const { return path_; }

 private:
  RunLogFile(int fd, std::filesystem::path path, bool regular)
      : fd_(fd), path_(std::move(path)), regular_(regular) {}

  int fd_ = -1;
  std::filesystem::path path_;
  bool regular_ = true;
};

}  // namespace tuneflash
