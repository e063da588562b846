// What download and upload share on one port: the port named on the command
// line opened with a clear message when it cannot be, --trace, the stop
// signals, the console and the exit code of the lane's run.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "lane/port_lane.h"
#include "link/tracing_com_port.h"

namespace tuneflash::cli {

struct PortOptions {
  std::string port;
  bool trace = false;
  double timeoutSeconds = 0;  // 0: the waits keep their own limits
};

// Adds --port, --trace and --timeout to `command`.
void AddPortOptions(CLI::App& command, PortOptions& options);
// Adds --trace and --timeout.
void AddLineOptions(CLI::App& command, bool& trace, double& timeoutSeconds);
// The waits' timing with --timeout SECONDS (0: none) applied.
LinkTiming PortTiming(double timeoutSeconds);

class PortSession {
 public:
  explicit PortSession(const PortOptions& options);

  // Resolves and opens the port; on failure prints why (naming the device)
  // and returns the exit code to end with.
  std::optional<int> Open();

  // Runs the lane, box after box (`count` boxes; 0 until a stop signal),
  // each recorded as `command` (in `runLog` when --log was given), and gives
  // the exit code: 128 + the signal's number when a stop signal ended it
  // (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP), 0 when the last box succeeded,
  // 1 otherwise (the reason on stderr).
  int Run(const std::string& command, std::shared_ptr<const RunLogFile> runLog, const LaneJobMaker& make,
          int count = 1);

 private:
  PortOptions options_;
  std::unique_ptr<ComPort> system_;
  std::unique_ptr<TracingComPort> trace_;
  PortLane lane_;
};

}  // namespace tuneflash::cli
