// Per-user work directory.
#include "dld/work_dir.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dld/file_io.h"

namespace tuneflash {

std::filesystem::path DefaultWorkDirectory() {
  std::filesystem::path base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
    base = state;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".local" / "state";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  const auto dir = base / "tuneflash";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw FileError(dir, "cannot create the work directory: " + ec.message());
  return dir;
}

PrivateWorkDirectory::PrivateWorkDirectory(const std::filesystem::path& base) {
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  if (ec) throw FileError(base, "cannot create the work directory: " + ec.message());
  std::string pattern = (base / "run-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw FileError(base, std::string("cannot create a private work directory: ") + std::strerror(errno));
  }
  path_ = pattern;
}

PrivateWorkDirectory::~PrivateWorkDirectory() {
  if (keep_) return;
  std::error_code ec;  // a directory that cannot be removed is left behind, never an error at exit
  std::filesystem::remove_all(path_, ec);
}

}  // namespace tuneflash
