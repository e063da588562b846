// The work directory's place and private directories on Windows: state under
// %LOCALAPPDATA%\Tuneflash, which only its user can read.
#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>

#include "dld/file_io.h"
#include "dld/win32_error.h"
#include "dld/work_dir_platform.h"

namespace tuneflash {

std::filesystem::path UserStateDirectory() {
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != L'\0') {
    return std::filesystem::path(local) / "Tuneflash";
  }
  return std::filesystem::temp_directory_path() / "Tuneflash";
}

// A fresh random name, created with CreateDirectoryW (which fails on a name
// that exists), inheriting the owner-only access of the user's profile.
std::filesystem::path MakePrivateDirectory(const std::filesystem::path& base, const std::string& prefix) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    const auto dir = base / name;
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw FileError(base, "cannot create a private work directory: " + LastWin32ErrorText());
}

}  // namespace tuneflash
