// Atomic writes and access checks on Windows: the new content goes to a file
// beside the target, is flushed to disk, and MoveFileExW replaces the target
// with it in one step.
#include <windows.h>

#include <random>
#include <string>

#include "dld/file_io.h"
#include "dld/win32_error.h"

namespace tuneflash {
namespace {

// Largest piece one WriteFile call is given.
constexpr std::size_t kWritePiece = std::size_t{1} << 30;

// `path` + ".tmp-" + six random letters, created new and exclusive.
HANDLE CreateFileBeside(const std::filesystem::path& path, std::filesystem::path& temp) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix = ".tmp-";
    for (int i = 0; i < 6; ++i) suffix += kLetters[random() % (sizeof kLetters - 1)];
    temp = path;
    temp += suffix;
    HANDLE file =
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, ByteSpan data) {
  std::filesystem::path temp;
  HANDLE file = CreateFileBeside(path, temp);
  if (file == INVALID_HANDLE_VALUE)
    throw FileError(path, "cannot create a file beside it: " + LastWin32ErrorText());
  const auto fail = [&](const std::string& what) {
    const std::string cause = LastWin32ErrorText();
    CloseHandle(file);
    DeleteFileW(temp.c_str());
    throw FileError(path, what + cause);
  };
  std::size_t written = 0;
  while (written < data.size()) {
    const auto piece = static_cast<DWORD>(std::min(data.size() - written, kWritePiece));
    DWORD n = 0;
    if (!WriteFile(file, data.data() + written, piece, &n, nullptr) || n == 0) fail("write failed: ");
    written += n;
  }
  if (!FlushFileBuffers(file)) fail("write failed: ");
  CloseHandle(file);
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const std::string cause = LastWin32ErrorText();
    DeleteFileW(temp.c_str());
    throw FileError(path, "cannot replace it: " + cause);
  }
}

// MoveFileExW with MOVEFILE_WRITE_THROUGH returns once the move is on disk;
// there is no folder handle to flush on Windows.
void SyncFolderOf(const std::filesystem::path&) {}

void CommitFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  HANDLE file = CreateFileW(from.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw FileError(from, "cannot open it to sync it: " + LastWin32ErrorText());
  const bool flushed = FlushFileBuffers(file) != 0;
  const std::string cause = flushed ? std::string() : LastWin32ErrorText();
  CloseHandle(file);
  if (!flushed) throw FileError(from, "cannot sync it: " + cause);
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    throw FileError(to, "cannot rename '" + from.string() + "' over it: " + LastWin32ErrorText());
}

bool IsReadWritable(const std::filesystem::path& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace tuneflash
