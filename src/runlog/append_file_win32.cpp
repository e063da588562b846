// The run log's file calls on Windows: a handle with append access only (so
// every write lands at the end), wrapped in a C runtime descriptor;
// FlushFileBuffers puts it on disk. Each write also holds an exclusive lock on
// one byte far beyond any real end of file, so writers in this and other
// processes take turns where append access alone does not keep them apart
// (wine's does not).
#include <windows.h>
// clang-format off: io.h after windows.h
#include <fcntl.h>
#include <io.h>
// clang-format on

#include "dld/win32_error.h"
#include "runlog/append_file.h"

namespace tuneflash::append_file {
namespace {

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The turn-taking lock: one byte at 2^64 - 2^32, which no reader reads.
OVERLAPPED LockPlace() {
  OVERLAPPED place{};
  place.Offset = 0;
  place.OffsetHigh = 0xFFFFFFFF;
  return place;
}

}  // namespace

std::optional<Opened> Open(const std::filesystem::path& path, std::string& failure) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    failure = "cannot open for appending: " + LastWin32ErrorText();
    return std::nullopt;
  }
  const bool regular = GetFileType(file) == FILE_TYPE_DISK;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_APPEND | _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    failure = "cannot open for appending: out of descriptors";
    CloseHandle(file);
    return std::nullopt;
  }
  return Opened{fd, regular};
}

std::optional<char> LastByte(const std::filesystem::path& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  LARGE_INTEGER at{};
  char last = 0;
  DWORD got = 0;
  const bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
                  (at.QuadPart = size.QuadPart - 1, SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) &&
                  ReadFile(file, &last, 1, &got, nullptr) && got == 1;
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return last;
}

Outcome WriteOnce(int fd, std::string_view data) {
  HANDLE file = HandleOf(fd);
  OVERLAPPED place = LockPlace();
  const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place) != 0;
  DWORD written = 0;
  const bool ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) != 0;
  const std::string failure = ok ? std::string() : LastWin32ErrorText();
  if (locked) {
    place = LockPlace();
    UnlockFileEx(file, 0, 1, 0, &place);
  }
  if (!ok) return Outcome{0, failure};
  return Outcome{written, std::nullopt};
}

std::optional<std::string> Sync(int fd) {
  if (!FlushFileBuffers(HandleOf(fd))) return LastWin32ErrorText();
  return std::nullopt;
}

void Close(int fd) {
  _close(fd);  // closes the handle too
}

}  // namespace tuneflash::append_file
