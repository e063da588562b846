// Atomic writes and access checks on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "dld/file_io.h"

namespace tuneflash {

void WriteFileAtomically(const std::filesystem::path& path, ByteSpan data) {
  std::filesystem::path temp = path;
  temp += ".tmp-XXXXXX";
  std::string pattern = temp.string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw FileError(path, std::string("cannot create a file beside it: ") + std::strerror(errno));
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string cause = std::strerror(errno);
      ::close(fd);
      ::unlink(pattern.c_str());
      throw FileError(path, "write failed: " + cause);
    }
    written += static_cast<std::size_t>(n);
  }
  // Keep the mode of the file being replaced; a new file gets rw-r--r--.
  struct stat existing {};
  ::fchmod(fd, ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644);
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(pattern.c_str());
    throw FileError(path, std::string("write failed: ") + std::strerror(errno));
  }
  if (::rename(pattern.c_str(), path.c_str()) != 0) {
    const std::string cause = std::strerror(errno);
    ::unlink(pattern.c_str());
    throw FileError(path, "cannot replace it: " + cause);
  }
  SyncFolderOf(path);
}

void SyncFolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    throw FileError(folder, std::string("cannot open the folder to sync it: ") + std::strerror(errno));
  const int synced = ::fsync(fd);
  const std::string cause = std::strerror(errno);
  ::close(fd);
  if (synced != 0) throw FileError(folder, "cannot sync the folder: " + cause);
}

void CommitFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  const int fd = ::open(from.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) throw FileError(from, std::string("cannot open it to sync it: ") + std::strerror(errno));
  const int synced = ::fsync(fd);
  const std::string cause = std::strerror(errno);
  ::close(fd);
  if (synced != 0) throw FileError(from, "cannot sync it: " + cause);
  if (::rename(from.c_str(), to.c_str()) != 0)
    throw FileError(to, "cannot rename '" + from.string() + "' over it: " + std::strerror(errno));
  SyncFolderOf(to);
}

bool IsReadWritable(const std::filesystem::path& path) {
  return ::access(path.c_str(), R_OK | W_OK) == 0;
}

}  // namespace tuneflash
