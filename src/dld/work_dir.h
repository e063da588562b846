// The per-user directory under which each run keeps its work files (the
// SatcoDX conversion files): $XDG_STATE_HOME/tuneflash, else
// ~/.local/state/tuneflash; and the private directory of one run inside it.
#pragma once

#include <filesystem>

namespace tuneflash {

// The directory, created when missing. Falls back to the temp directory when
// no home can be found. Throws FileError when it cannot be created.
std::filesystem::path DefaultWorkDirectory();

// A directory of one run's own, made with mkdtemp (mode 0700, a fresh random
// name) under `base` (created when missing): no other run, of this user or
// another, can share or foresee it. Removed with everything in it when the
// object goes, unless Keep() was called. Throws FileError when it cannot be
// made.
class PrivateWorkDirectory {
 public:
  explicit PrivateWorkDirectory(const std::filesystem::path& base);
  ~PrivateWorkDirectory();
  PrivateWorkDirectory(const PrivateWorkDirectory&) = delete;
  PrivateWorkDirectory& operator=(const PrivateWorkDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void Keep() { keep_ = true; }

 private:
  std::filesystem::path path_;
  bool keep_ = false;
};

}  // namespace tuneflash
