// The work directory's place and private directories on POSIX.
#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dld/file_io.h"
#include "dld/work_dir_platform.h"

namespace tuneflash {

std::filesystem::path UserStateDirectory() {
  std::filesystem::path base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
    base = state;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".local" / "state";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return base / "tuneflash";
}

// mkdtemp: mode 0700 and a name no other run can foresee.
std::filesystem::path MakePrivateDirectory(const std::filesystem::path& base, const std::string& prefix) {
  std::string pattern = (base / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw FileError(base, std::string("cannot create a private work directory: ") + std::strerror(errno));
  }
  return pattern;
}

}  // namespace tuneflash
