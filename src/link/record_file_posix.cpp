// Offset reads and writes on a download file, on POSIX.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/record_file.h"

namespace tuneflash {

RecordFile::RecordFile(const std::filesystem::path& path, Mode mode) : path_(path) {
  const int flags = O_RDWR | O_CLOEXEC | (mode == Mode::Create ? O_CREAT | O_TRUNC : 0);
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) error_ = "cannot open '" + path.string() + "': " + std::strerror(errno);
}

bool RecordFile::ReadAt(std::size_t offset, MutableByteSpan dest) const {
  if (fd_ < 0) return false;
  std::size_t got = 0;
  while (got < dest.size()) {
    const ssize_t n = ::pread(fd_, dest.data() + got, dest.size() - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool RecordFile::WriteAt(std::size_t offset, ByteSpan data) {
  if (fd_ < 0) return false;
  std::size_t put = 0;
  while (put < data.size()) {
    const ssize_t n = ::pwrite(fd_, data.data() + put, data.size() - put, static_cast<off_t>(offset + put));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = "cannot write '" + path_.string() + "': " + std::strerror(n < 0 ? errno : ENOSPC);
      return false;
    }
    put += static_cast<std::size_t>(n);
  }
  return true;
}

void RecordFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace tuneflash
