// Opening the port of a CLI run and running its Start loop.
#include "cli/port_session.h"

#include <filesystem>

#include "cli/commands.h"
#include "cli/console_observer.h"
#include "cli/console_platform.h"
#include "cli/lane_threads.h"
#include "link/box_registry.h"
#include "link/port_names.h"
#include "link/system_com_port.h"

namespace tuneflash::cli {

void AddPortOptions(CLI::App& command, PortOptions& options) {
  command
      .add_option("-p,--port", options.port,
                  "COM.01..COM.10 or COM1..COM10 (see 'tuneflash-cli ports'), or a device path")
      ->required();
  AddLineOptions(command, options.trace, options.timeoutSeconds);
}

void AddLineOptions(CLI::App& command, bool& trace, double& timeoutSeconds) {
  command.add_flag("--trace", trace, "Hex-dump every frame in and out, with a timestamp, on stderr");
  command
      .add_option("--timeout", timeoutSeconds,
                  "Give up when the box makes no progress for SECONDS in any phase, silent or refusing "
                  "(default: wait as the box does)")
      ->check(CLI::Range(0.001, 86400.0));
}

LinkTiming PortTiming(double timeoutSeconds) {
  LinkTiming t;
  if (timeoutSeconds > 0)
    t.silenceLimit = std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000 + 0.5));
  return t;
}

PortSession::PortSession(const PortOptions& options)
    : options_(options),
      system_(MakeSystemComPort()),
      trace_(options.trace ? std::make_unique<TracingComPort>(*system_, std::cerr) : nullptr),
      lane_(trace_ ? static_cast<ComPort&>(*trace_) : *system_, LaneSetup{.port = options.port}) {}

std::optional<int> PortSession::Open() {
  const auto devices = ListPortDevices(DefaultBoxRegistry());
  const auto device = ResolvePortName(options_.port, devices);
  if (!device) {
    std::cerr << "tuneflash-cli: " << options_.port << " has no device behind it (" << devices.size()
              << " serial device(s) found; see 'tuneflash-cli ports')\n";
    return kExitFailed;
  }
  if (const auto opened = lane_.Open(*device); !opened) {
    std::cerr << "tuneflash-cli: cannot open " << options_.port << ": " << opened.error().detail << "\n";
    std::error_code ec;
    if (!std::filesystem::exists(*device, ec)) {
      std::cerr << "tuneflash-cli: the ports are ('tuneflash-cli ports'):\n";
      for (const auto& entry : MakePortEntries(devices)) {
        std::cerr << "  " << entry.name << "  " << (entry.device.empty() ? "-" : entry.tooltip) << "\n";
      }
    }
    return kExitFailed;
  }
  return std::nullopt;
}

int PortSession::Run(const std::string& command, std::shared_ptr<const RunLogFile> runLog,
                     const LaneJobMaker& make, int count) {
  LaneSetup& setup = lane_.setup();
  setup.command = command;
  setup.runLog = std::move(runLog);
  setup.count = count;
  setup.timing = PortTiming(options_.timeoutSeconds);
  ConsoleObserver console(std::cout, std::cerr, StdoutIsTerminal());
  StopToken stop;
  LaneEnd end;
  const auto signalled = RunLaneThreads(stop, {[&] { end = lane_.Run(console, stop, make); }});
  console.Finish();
  if (signalled) return *signalled;
  return end.lastSucceeded ? kExitOk : kExitFailed;
}

}  // namespace tuneflash::cli
