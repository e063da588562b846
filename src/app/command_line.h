// The window's own command line: --version and --help print and end the
// program before any window (or display) is needed; --station opens the
// station window instead of the classic one. Every other argument is left
// to Qt.
#pragma once

#include <optional>

namespace tuneflash::app {

// The exit code when the command line asked only for information (printed
// on standard output); nothing when the window should start.
std::optional<int> HandleInformationOptions(int argc, const char* const* argv);

// True when the command line asks for the station window (--station).
bool StationRequested(int argc, const char* const* argv);

}  // namespace tuneflash::app
