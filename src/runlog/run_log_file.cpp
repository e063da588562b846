// Appending records to a JSON Lines file.
#include "runlog/run_log_file.h"

#include "dld/file_io.h"
#include "runlog/append_file.h"

namespace tuneflash {

std::string RunLogFailure::Describe() const {
  return "'" + path.string() + "': " + reason;
}

std::optional<RunLogFile> RunLogFile::Open(const std::filesystem::path& path, RunLogFailure& failure,
                                           RunOrigin origin) {
  failure = RunLogFailure{path, {}};
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  const auto opened = append_file::Open(path, failure.reason);
  if (!opened) return std::nullopt;
  // A line left open by a cut record is closed by the first append.
  const bool lineOpen = opened->regular && append_file::LastByte(path).value_or('\n') != '\n';
  if (opened->regular && !existed) {
    try {
      SyncFolderOf(path);
    } catch (const FileError& e) {
      failure.reason = e.what();
      append_file::Close(opened->fd);
      return std::nullopt;
    }
  }
  return RunLogFile(opened->fd, path, opened->regular, lineOpen, std::move(origin));
}

RunLogFile::RunLogFile(RunLogFile&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      regular_(other.regular_),
      lineOpen_(other.lineOpen_),
      origin_(std::move(other.origin_)) {
  other.fd_ = -1;
}

RunLogFile::~RunLogFile() {
  if (fd_ >= 0) append_file::Close(fd_);
}

std::optional<RunLogFailure> RunLogFile::Append(std::string_view line) const {
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) {
    return RunLogFailure{path_, "a record must be one line ending in a line feed"};
  }
  std::lock_guard lock(mutex_);
  // A line left open by a cut record is closed in the same write as this one.
  std::string data;
  if (lineOpen_) data = "\n";
  data += line;
  const auto put = append_file::WriteOnce(fd_, data);
  if (put.failure) return RunLogFailure{path_, "cannot append the record: " + *put.failure};
  if (put.written != data.size()) {
    // Open when part of the record went, or when not even the mending line feed did.
    const std::size_t lead = lineOpen_ ? 1 : 0;
    lineOpen_ = put.written > lead || (lead == 1 && put.written == 0);
    return RunLogFailure{path_, "only " + std::to_string(put.written) + " of " + std::to_string(data.size()) +
                                    " bytes of the record were written (disk full?)"};
  }
  lineOpen_ = false;
  if (regular_) {
    if (const auto unsynced = append_file::Sync(fd_))
      return RunLogFailure{path_, "cannot sync the record to disk: " + *unsynced};
  }
  return std::nullopt;
}

}  // namespace tuneflash
