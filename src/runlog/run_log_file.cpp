// Appending records to a JSON Lines file.
#include "runlog/run_log_file.h"

#include "runlog/append_file.h"

namespace tuneflash {

std::string RunLogFailure::Describe() const {
  return "'" + path.string() + "': " + reason;
}

std::optional<RunLogFile> RunLogFile::Open(const std::filesystem::path& path, RunLogFailure& failure) {
  failure = RunLogFailure{path, {}};
  const auto opened = append_file::Open(path, failure.reason);
  if (!opened) return std::nullopt;
  if (opened->regular && append_file::LastByte(path).value_or('\n') != '\n') {
    const auto ended = append_file::WriteOnce(opened->fd, "\n");
    if (ended.written != 1) {
      failure.reason = "cannot end its last line: " + ended.failure.value_or("nothing was written");
      append_file::Close(opened->fd);
      return std::nullopt;
    }
  }
  return RunLogFile(opened->fd, path, opened->regular);
}

RunLogFile::RunLogFile(RunLogFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), regular_(other.regular_) {
  other.fd_ = -1;
}

RunLogFile::~RunLogFile() {
  if (fd_ >= 0) append_file::Close(fd_);
}

std::optional<RunLogFailure> RunLogFile::Append(std::string_view line) const {
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) {
    return RunLogFailure{path_, "a record must be one line ending in a line feed"};
  }
  const auto put = append_file::WriteOnce(fd_, line);
  if (put.failure) return RunLogFailure{path_, "cannot append the record: " + *put.failure};
  if (put.written != line.size()) {
    // Close the cut record's line so the next record is readable on its own.
    const std::string reason = "only " + std::to_string(put.written) + " of " + std::to_string(line.size()) +
                               " bytes of the record were written (disk full?)";
    append_file::WriteOnce(fd_, "\n");
    return RunLogFailure{path_, reason};
  }
  if (regular_) {
    if (const auto unsynced = append_file::Sync(fd_))
      return RunLogFailure{path_, "cannot sync the record to disk: " + *unsynced};
  }
  return std::nullopt;
}

}  // namespace tuneflash
