// Opening the port of a CLI run and running its Start loop.
#include "cli/port_session.h"

#include <filesystem>

#include "cli/commands.h"
#include "link/box_registry.h"
#include "link/port_names.h"

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

LinkTiming PortSession::timing() const {
  return PortTiming(options_.timeoutSeconds);
}

PortSession::PortSession(const PortOptions& options)
    : options_(options),
      trace_(options.trace ? std::make_unique<TracingComPort>(*system_, std::cerr) : nullptr),
      counting_(trace_ ? static_cast<ComPort&>(*trace_) : *system_),
      observer_(port(), interrupt_, std::cout, std::cerr, StdoutIsTerminal()) {}

std::optional<int> PortSession::Open() {
  const auto devices = ListPortDevices(DefaultBoxRegistry());
  const auto device = ResolvePortName(options_.port, devices);
  if (!device) {
    std::cerr << "tuneflash-cli: " << options_.port << " has no device behind it (" << devices.size()
              << " serial device(s) found; see 'tuneflash-cli ports')\n";
    return kExitFailed;
  }
  if (*device != options_.port) port().SetPortLabel(options_.port);
  if (const auto opened = port().OpenComPort(*device); !opened) {
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

int PortSession::RunLoop(const std::function<LinkStatus()>& sequence, StartLoopOptions options) {
  options.timing = timing();
  options.pauseAfterSuccess = [this] {
    if (interrupt_.WaitFor(std::chrono::milliseconds(1500))) observer_.Interrupt();
  };
  const StartLoopResult result = RunStartLoop(port(), events_, sequence, options);
  observer_.Finish();
  port().CloseComPort();
  if (observer_.interrupted()) return interrupt_.ExitCode();
  return result.lastSucceeded ? kExitOk : kExitFailed;
}

int PortSession::RunRecorded(const std::string& command, std::shared_ptr<const RunLogFile> runLog,
                             const BoxJob& job, StartLoopOptions options) {
  BoxLog log(std::move(runLog), command, options_.port, counting_);
  return RunLoop([&] { return log.Run(job, events_); }, std::move(options));
}

}  // namespace tuneflash::cli
