// What download and verify share: box after box on one port or on several
// at once, each box recorded (--log). The options, and the run over them.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <string_view>

#include "cli/port_choice.h"
#include "cli/port_lanes.h"

namespace tuneflash::cli {

struct BoxRunOptions {
  PortChoice ports;
  int count = 1;
  bool repeat = false;
  std::string log;
  std::string station;
};

// Adds the port options, --count, --repeat and --log; `verb` names the job
// in their help ("Flash", "Verify").
void AddBoxRunOptions(CLI::App& command, BoxRunOptions& options, const std::string& verb);

// Runs the job made by `make` box after box on every chosen port (`print`
// with the port in front when there are several), recorded as `command`;
// the exit code (2 for a bad port choice or a --log that cannot be opened).
int RunBoxes(const BoxRunOptions& options, const std::string& command, const PortJobMaker& make);

}  // namespace tuneflash::cli
