// Offset reads and writes on a download file, on Windows (the C runtime's
// descriptors in binary mode; one thread uses a file at a time).
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "link/record_file.h"

namespace tuneflash {
namespace {

// Largest piece one _read or _write call is given.
constexpr std::size_t kPiece = 1 << 20;

bool SeekTo(int fd, std::size_t offset) {
  return _lseeki64(fd, static_cast<long long>(offset), SEEK_SET) == static_cast<long long>(offset);
}

}  // namespace

RecordFile::RecordFile(const std::filesystem::path& path, Mode mode) : path_(path) {
  const int flags = _O_RDWR | _O_BINARY | _O_NOINHERIT | (mode == Mode::Create ? _O_CREAT | _O_TRUNC : 0);
  if (_wsopen_s(&fd_, path.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
    fd_ = -1;
    error_ = "cannot open '" + path.string() + "': " + std::strerror(errno);
  }
}

bool RecordFile::ReadAt(std::size_t offset, MutableByteSpan dest) const {
  if (fd_ < 0) return false;
  std::size_t got = 0;
  while (got < dest.size()) {
    if (!SeekTo(fd_, offset + got)) return false;
    const int n = _read(fd_, dest.data() + got, static_cast<unsigned>(std::min(dest.size() - got, kPiece)));
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool RecordFile::WriteAt(std::size_t offset, ByteSpan data) {
  if (fd_ < 0) return false;
  std::size_t put = 0;
  while (put < data.size()) {
    const int n =
        SeekTo(fd_, offset + put)
            ? _write(fd_, data.data() + put, static_cast<unsigned>(std::min(data.size() - put, kPiece)))
            : -1;
    if (n <= 0) {
      error_ = "cannot write '" + path_.string() + "': " + std::strerror(n < 0 ? errno : ENOSPC);
      return false;
    }
    put += static_cast<std::size_t>(n);
  }
  return true;
}

void RecordFile::Close() {
  if (fd_ >= 0) _close(fd_);
  fd_ = -1;
}

}  // namespace tuneflash
