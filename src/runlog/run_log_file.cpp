// Appending records to a JSON Lines file.
#include "runlog/run_log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

std::optional<RunLogFile> RunLogFile::Open(const std::filesystem::path& path, RunLogFailure& failure) {
  failure = RunLogFailure{path, {}};
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
  if (regular && info.st_size > 0) {
    // The descriptor is write-only; look at the last byte through a second one.
    const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char last = '\n';
    if (reader >= 0) {
      if (::pread(reader, &last, 1, info.st_size - 1) != 1) last = '\n';
      ::close(reader);
    }
    if (last != '\n' && WriteOnce(fd, "\n") != 1) {
      failure.reason = ErrnoText("cannot end its last line");
      ::close(fd);
      return std::nullopt;
    }
  }
  return RunLogFile(fd, path, regular);
}

RunLogFile::RunLogFile(RunLogFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), regular_(other.regular_) {
  other.fd_ = -1;
}

RunLogFile::~RunLogFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<RunLogFailure> RunLogFile::Append(std::string_view line) const {
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) {
    return RunLogFailure{path_, "a record must be one line ending in a line feed"};
  }
  const ssize_t n = WriteOnce(fd_, line);
  if (n < 0) return RunLogFailure{path_, ErrnoText("cannot append the record")};
  if (static_cast<std::size_t>(n) != line.size()) {
    // Close the cut record's line so the next record is readable on its own.
    const std::string reason = "only " + std::to_string(n) + " of " + std::to_string(line.size()) +
                               " bytes of the record were written (disk full?)";
    WriteOnce(fd_, "\n");
    return RunLogFailure{path_, reason};
  }
  if (regular_ && ::fsync(fd_) != 0) return RunLogFailure{path_, ErrnoText("cannot sync the record to disk")};
  return std::nullopt;
}

}  // namespace tuneflash
