// The run log's file calls on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runlog/append_file.h"

namespace tuneflash::append_file {

std::optional<Opened> Open(const std::filesystem::path& path, std::string& failure) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    failure = std::string("cannot open for appending: ") + std::strerror(errno);
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    failure = std::string("cannot stat: ") + std::strerror(errno);
    ::close(fd);
    return std::nullopt;
  }
  return Opened{fd, S_ISREG(info.st_mode)};
}

std::optional<char> LastByte(const std::filesystem::path& path) {
  const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (reader < 0) return std::nullopt;
  struct stat info {};
  char last = 0;
  const bool got =
      ::fstat(reader, &info) == 0 && info.st_size > 0 && ::pread(reader, &last, 1, info.st_size - 1) == 1;
  ::close(reader);
  if (!got) return std::nullopt;
  return last;
}

Outcome WriteOnce(int fd, std::string_view data) {
  for (;;) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n >= 0) return Outcome{static_cast<std::size_t>(n), std::nullopt};
    if (errno != EINTR) return Outcome{0, std::strerror(errno)};
  }
}

std::optional<std::string> Sync(int fd) {
  if (::fsync(fd) != 0) return std::string(std::strerror(errno));
  return std::nullopt;
}

void Close(int fd) {
  ::close(fd);
}

}  // namespace tuneflash::append_file
