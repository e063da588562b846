// What download and upload share: the port named on the command line opened
// with a clear message when it cannot be, --trace, Ctrl-C, the observer and
// the exit code of a Start loop.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/console_observer.h"
#include "link/start_loop.h"
#include "link/system_com_port.h"
#include "link/tracing_com_port.h"
#include "run/phase_watch.h"
#include "runlog/box_log.h"
#include "runlog/counting_com_port.h"

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

  // Runs the Start loop over `sequence` and gives the exit code: 128 + the
  // signal's number when a stop signal ended it (130 Ctrl-C, 143 SIGTERM,
  // 129 SIGHUP), 0 when the last box succeeded, 1 otherwise (the
  // reason on stderr).
  int RunLoop(const std::function<LinkStatus()>& sequence, StartLoopOptions options);

  // RunLoop over `job`, each box recorded as `command` (in `runLog` when
  // --log was given).
  int RunRecorded(const std::string& command, std::shared_ptr<const RunLogFile> runLog, const BoxJob& job,
                  StartLoopOptions options);

  // The waits' timing with --timeout applied.
  LinkTiming timing() const;

  // The port the sequences talk through: counted, and traced with --trace.
  ComPort& port() { return counting_; }
  ConsoleObserver& observer() { return observer_; }
  // What the jobs report through: the observer, watched for the phase.
  PhaseWatch& events() { return events_; }

 private:
  PortOptions options_;
  std::unique_ptr<ComPort> system_ = MakeSystemComPort();
  std::unique_ptr<TracingComPort> trace_;
  CountingComPort counting_;
  StopSignals interrupt_;
  ConsoleObserver observer_;
  PhaseWatch events_{observer_};
};

}  // namespace tuneflash::cli
