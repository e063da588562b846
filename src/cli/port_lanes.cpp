// One lane per port, each on its own thread.
#include "cli/port_lanes.h"

#include <iostream>

#include "cli/commands.h"
#include "cli/console_platform.h"
#include "cli/lane_observer.h"
#include "cli/lane_threads.h"
#include "link/system_com_port.h"

namespace tuneflash::cli {
namespace {

// Opens the port of `name` and runs its lane; true when its last box succeeded.
bool RunPort(int index, const std::string& name, const std::vector<PortDevice>& devices,
             const LanesOptions& options, const PortJobMaker& make, const StopToken& stop,
             LaneConsole& console) {
  LaneObserver observer(index, console);
  const auto device = ResolvePortName(name, devices);
  if (!device) {
    observer.PortEnded("no device behind " + name);
    return false;
  }
  observer.SetDevice(*device);
  const auto system = MakeSystemComPort();
  PortLane lane(*system, LaneSetup{.port = name,
                                   .command = options.command,
                                   .runLog = options.runLog,
                                   .count = options.repeat ? 0 : options.count,
                                   .goOnAfterFailure = options.repeat,
                                   .timing = options.timing});
  if (const auto opened = lane.Open(*device); !opened) {
    observer.PortEnded("cannot open: " + opened.error().detail);
    return false;
  }
  const LaneEnd end = lane.Run(observer, stop, [&](const LaneBinding& binding) {
    return make(binding, [&observer](std::string_view line) { observer.Print(line); });
  });
  // A failure before any box (the hello, a lost port) is the port's last result.
  if (end.failure && !end.stopped && end.failure->phase == LinkPhase::Hello &&
      !HelloFailureIsABox(*end.failure)) {
    observer.PortEnded(DescribeFailure(*end.failure));
  }
  return end.lastSucceeded;
}

}  // namespace

int RunOnPorts(const std::vector<std::string>& names, const std::vector<PortDevice>& devices,
               const LanesOptions& options, const PortJobMaker& make) {
  StopToken stop;
  LaneConsole console(std::cout, std::cerr, StdoutIsTerminal(), names);
  std::vector<char> succeeded(names.size(), 0);
  std::vector<std::function<void()>> lanes;
  for (std::size_t i = 0; i < names.size(); ++i) {
    lanes.emplace_back([&, i] {
      succeeded[i] = RunPort(static_cast<int>(i), names[i], devices, options, make, stop, console);
    });
  }
  const auto signalled = RunLaneThreads(stop, lanes);
  console.Finish();
  if (signalled) return *signalled;
  for (const char ok : succeeded) {
    if (!ok) return kExitFailed;
  }
  return kExitOk;
}

}  // namespace tuneflash::cli
