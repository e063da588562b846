// --log FILE on the commands that handle boxes: one JSON line per box.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "runlog/run_log_file.h"

namespace tuneflash::cli {

// Adds --log FILE and --station NAME to `command`.
void AddLogOption(CLI::App& command, std::string& path, std::string& station);

// Opens the --log file when one was given, its records made at `station`
// (the host name when empty) in a run of their own; prints why it cannot be
// opened and gives false. `file` stays empty without --log.
bool OpenRunLog(const std::string& path, const std::string& station, std::shared_ptr<const RunLogFile>& file);

}  // namespace tuneflash::cli
