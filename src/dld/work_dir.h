// The per-user directory that holds the program's work files (the SatcoDX
// conversion files): $XDG_STATE_HOME/tuneflash, else ~/.local/state/tuneflash.
#pragma once

#include <filesystem>

namespace tuneflash {

// The directory, created when missing. Falls back to the temp directory when
// no home can be found. Throws FileError when it cannot be created.
std::filesystem::path DefaultWorkDirectory();

}  // namespace tuneflash
