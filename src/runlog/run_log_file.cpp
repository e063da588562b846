// Appending records to a JSON Lines file.
#include "runlog/run_log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "dld/file_io.h"

namespace tuneflash {
namespace {

std::string ErrnoText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// One write call; retried only when a signal came before any byte went.
ssize_t WriteOnce(int fd, std::string_view data) {
  for (;;) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n >= 0 || errno != EINTR) return n;
  }
}

}  // namespace

std::string RunLogFailure::Describe() const {
  return "'" + path.string() + "': " + reason;
}

std::optional<RunLogFile> RunLogFile::Open(const std::filesystem::path& path, RunLogFailure& failure,
                                           RunOrigin origin) {
  failure = RunLogFailure{path, {}};
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    failure.reason = ErrnoText("cannot open for appending");
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    failure.reason = ErrnoText("cannot stat");
    ::close(fd);
    return std::nullopt;
  }
  const bool regular = S_ISREG(info.st_mode);
  char last = '\n';
  if (regular && info.st_size > 0) {
    // The descriptor is write-only; look at the last byte through a second one.
    const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (reader >= 0) {
      if (::pread(reader, &last, 1, info.st_size - 1) != 1) last = '\n';
      ::close(reader);
    }
  }
  if (regular && !existed) {
    try {
      SyncFolderOf(path);
    } catch (const FileError& e) {
      failure.reason = e.what();
      ::close(fd);
      return std::nullopt;
    }
  }
  return RunLogFile(fd, path, regular, last != '\n', std::move(origin));
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
  if (fd_ >= 0) ::close(fd_);
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
  const ssize_t n = WriteOnce(fd_, data);
  if (n < 0) return RunLogFailure{path_, ErrnoText("cannot append the record")};
  if (static_cast<std::size_t>(n) != data.size()) {
    // Open when part of the record went, or when not even the mending line feed did.
    const std::size_t lead = lineOpen_ ? 1 : 0;
    lineOpen_ = static_cast<std::size_t>(n) > lead || (lead == 1 && n == 0);
    return RunLogFailure{path_, "only " + std::to_string(n) + " of " + std::to_string(data.size()) +
                                    " bytes of the record were written (disk full?)"};
  }
  lineOpen_ = false;
  if (regular_ && ::fsync(fd_) != 0) return RunLogFailure{path_, ErrnoText("cannot sync the record to disk")};
  return std::nullopt;
}

}  // namespace tuneflash
