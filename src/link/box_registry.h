// Simulated boxes announce themselves so that the port list can offer them:
// each running tuneflash-boxsim keeps one small file in the registry
// directory naming the device it serves; the file goes when the box stops.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "link/port_names.h"

namespace tuneflash {

// $XDG_RUNTIME_DIR/tuneflash-boxes when that variable names a directory,
// otherwise /tmp/tuneflash-boxes-<uid>; %LOCALAPPDATA%\Tuneflash\boxes on
// Windows.
std::filesystem::path DefaultBoxRegistry();

// The boxes announced in `registry` whose process still runs, oldest first.
// Entries of boxes that are gone are skipped (and removed when possible).
std::vector<PortDevice> ListAnnouncedBoxes(const std::filesystem::path& registry);

// Announces one box for as long as the object lives.
class BoxAnnouncement {
 public:
  // Writes `<registry>/box-<pid>-<device name>` holding `devicePath`. Throws
  // FileError when the registry cannot be written.
  BoxAnnouncement(const std::filesystem::path& registry, const std::string& devicePath);
  ~BoxAnnouncement();
  BoxAnnouncement(const BoxAnnouncement&) = delete;
  BoxAnnouncement& operator=(const BoxAnnouncement&) = delete;

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

}  // namespace tuneflash
