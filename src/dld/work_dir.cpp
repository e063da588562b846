// Per-user work directory.
#include "dld/work_dir.h"

#include <string>

#include "dld/file_io.h"
#include "dld/work_dir_platform.h"

namespace tuneflash {

std::filesystem::path DefaultWorkDirectory() {
  const auto dir = UserStateDirectory();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw FileError(dir, "cannot create the work directory: " + ec.message());
  return dir;
}

PrivateWorkDirectory::PrivateWorkDirectory(const std::filesystem::path& base) {
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  if (ec) throw FileError(base, "cannot create the work directory: " + ec.message());
  path_ = MakePrivateDirectory(base, "run-");
}

PrivateWorkDirectory::~PrivateWorkDirectory() {
  if (keep_) return;
  std::error_code ec;  // a directory that cannot be removed is left behind, never an error at exit
  std::filesystem::remove_all(path_, ec);
}

}  // namespace tuneflash
