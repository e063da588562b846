// --version and --help of the window, through CLI11.
#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <string_view>

#include "tuneflash_version.h"

namespace tuneflash::app {

std::optional<int> HandleInformationOptions(int argc, const char* const* argv) {
  CLI::App app{
      "Tuneflash: the bench window that loads a receiver's firmware and data over RS-232 and reads "
      "them back. One window runs per user and desktop; starting it again brings it to the front. "
      "Qt's own options (-platform, -display, ...) are passed on to Qt.",
      "tuneflash"};
  app.allow_extras();
  bool station = false;  // read by StationRequested; named here for --help
  app.add_flag("--station", station,
               "Open the station window: every port of the bench in one window, one job for all");
  app.set_version_flag("--version", "tuneflash " TUNEFLASH_VERSION " (build " TUNEFLASH_BUILD ")");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError&) {
    // Anything else is Qt's to judge.
  }
  return std::nullopt;
}

bool StationRequested(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--station") return true;
  }
  return false;
}

}  // namespace tuneflash::app
