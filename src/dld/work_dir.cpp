// Per-user work directory.
#include "dld/work_dir.h"

#include <cstdlib>

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

}  // namespace tuneflash
