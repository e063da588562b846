// What the work directory needs from the platform: work_dir_posix.cpp and
// work_dir_win32.cpp each define these.
#pragma once

#include <filesystem>
#include <string>

namespace tuneflash {

// The per-user directory of the program's state, not yet created:
// $XDG_STATE_HOME/tuneflash (else ~/.local/state/tuneflash) on POSIX,
// %LOCALAPPDATA%\Tuneflash on Windows; the temp directory when neither is known.
std::filesystem::path UserStateDirectory();

// Makes a new directory named `prefix` and a fresh random part under the
// existing `base`, readable by its owner only, and returns it. Throws FileError.
std::filesystem::path MakePrivateDirectory(const std::filesystem::path& base, const std::string& prefix);

}  // namespace tuneflash
