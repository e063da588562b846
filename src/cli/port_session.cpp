// Opening the port of a CLI run and running its Start loop.
#include "cli/port_session.h"

#include <unistd.h>

#include "cli/commands.h"
#include "link/box_registry.h"
#include "link/port_names.h"

namespace tuneflash::cli {

void AddPortOptions(CLI::App& command, PortOptions& options) {
  command
      .add_option("-p,--port", options.port,
                  "COM.01..COM.10 or COM1..COM10 (see 'tuneflash-cli ports'), or a device path")
      ->required();
  command.add_flag("--trace", options.trace, "Hex-dump every frame in and out, with a timestamp, on stderr");
}

PortSession::PortSession(const PortOptions& options)
    : options_(options),
      trace_(options.trace ? std::make_unique<TracingComPort>(posix_, std::cerr) : nullptr),
      observer_(port(), interrupt_, std::cout, std::cerr, ::isatty(STDOUT_FILENO) != 0) {}

std::optional<int> PortSession::Open() {
  const auto devices = ListPortDevices(DefaultBoxRegistry());
  const auto device = ResolvePortName(options_.port, devices);
  if (!device) {
    std::cerr << "tuneflash-cli: " << options_.port << " has no device behind it (" << devices.size()
              << " serial device(s) found; see 'tuneflash-cli ports')\n";
    return kExitFailed;
  }
  if (!port().OpenComPort(*device)) {
    std::cerr << "tuneflash-cli: cannot open the port: " << port().LastError() << "\n";
    return kExitFailed;
  }
  return std::nullopt;
}

int PortSession::RunLoop(const std::function<bool()>& sequence, StartLoopOptions options) {
  options.pauseAfterSuccess = [this] {
    if (interrupt_.WaitFor(std::chrono::milliseconds(1500))) observer_.Interrupt();
  };
  const StartLoopResult result = RunStartLoop(port(), observer_, sequence, options);
  observer_.Finish();
  port().CloseComPort();
  if (observer_.interrupted()) return kExitInterrupted;
  return result.lastSucceeded ? kExitOk : kExitFailed;
}

}  // namespace tuneflash::cli
