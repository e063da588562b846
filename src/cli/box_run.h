// What download and verify share: box after box on one port or on several
// at once, each box recorded (--log). The options, and the run over them.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <string_view>

#include "cli/port_choice.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/run_observer.h"
#include "runlog/box_log.h"

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

// Makes one port's job: bound to its port, observer and timing; `print`
// puts a result line on the output (with the port in front when there are
// several).
using BoxJobMaker = std::function<BoxJob(ComPort& port, RunObserver& observer, const LinkTiming& timing,
                                         std::function<void(std::string_view)> print)>;

// Runs the job box after box on every chosen port, recorded as `command`;
// the exit code (2 for a bad port choice or a --log that cannot be opened).
int RunBoxes(const BoxRunOptions& options, const std::string& command, const BoxJobMaker& make);

}  // namespace tuneflash::cli
