// --log FILE.
#include "cli/log_option.h"

#include <iostream>

namespace tuneflash::cli {

void AddLogOption(CLI::App& command, std::string& path, std::string& station) {
  command.add_option("--log", path, "Append one JSON line per box to FILE (JSON Lines; see the README)");
  command.add_option("--station", station,
                     "The station's name in the records of --log (default: the host name)");
}

bool OpenRunLog(const std::string& path, const std::string& station,
                std::shared_ptr<const RunLogFile>& file) {
  file.reset();
  if (path.empty()) return true;
  RunLogFailure failure;
  auto opened = RunLogFile::Open(path, failure, RunOrigin::OfThisRun(station));
  if (!opened) {
    std::cerr << "tuneflash-cli: --log " << failure.Describe() << "\n";
    return false;
  }
  file = std::make_shared<const RunLogFile>(std::move(*opened));
  return true;
}

}  // namespace tuneflash::cli
