// One thread per port; the main thread only watches for Ctrl-C.
#include "cli/port_lanes.h"

#include <atomic>
#include <iostream>
#include <thread>

#include "cli/commands.h"
#include "cli/console_observer.h"
#include "link/start_loop.h"
#include "link/system_com_port.h"
#include "link/upgrade_status.h"
#include "runlog/counting_com_port.h"

namespace tuneflash::cli {
namespace {

constexpr auto kPauseAfterSuccess = std::chrono::milliseconds(1500);

struct LaneOutcome {
  bool lastSucceeded = false;
};

// How a box ended, for the summary's "last result".
std::string Summary(const RunRecord& record) {
  switch (record.outcome) {
    case RunOutcome::Success:
      return std::string(*StatusText(kUpdateSuccess));
    case RunOutcome::Stopped:
      return "stopped";
    case RunOutcome::Failed:
      break;
  }
  return record.failure ? record.failure->text : std::string(*StatusText(kUpdateFailed));
}

// Box after box on the lane's open port.
void RunLaneBoxes(int index, const std::string& name, const std::string& device, const LanesOptions& options,
                  const LaneJobMaker& make, StopFlag& stop, CountingComPort& port, LaneObserver& observer,
                  LaneOutcome& outcome) {
  PhaseWatch events(observer);
  Lane lane{index, name, device, port, observer, events};
  const BoxJob job = make(lane);
  BoxLog log(options.runLog, options.command, name, port);
  const std::function<LinkStatus()> box = [&] {
    LinkStatus status = log.Run(job, events);
    observer.BoxEnded(log.last()->outcome, Summary(*log.last()));
    return status;
  };
  StartLoopOptions loop;
  loop.timing = options.timing;
  loop.nextBoxAfterSuccess = options.repeat || options.count > 1;
  loop.pauseAfterSuccess = [&] {
    if (stop.WaitFor(kPauseAfterSuccess)) observer.StopIfAsked();
  };
  int succeeded = 0;
  for (;;) {
    loop.maxBoxes = options.repeat ? 0 : options.count - succeeded;
    const StartLoopResult result = RunStartLoop(port, events, box, loop);
    succeeded += result.boxesSucceeded;
    outcome.lastSucceeded = result.lastSucceeded;
    // A failure before any box (the hello) is the port's last result.
    if (result.failure && result.failure->phase == LinkPhase::Hello)
      observer.PortEnded(DescribeFailure(*result.failure));
    if (!options.repeat || observer.stopped() || !port.PortOpen()) break;
  }
}

void RunLane(int index, const std::string& name, const std::vector<PortDevice>& devices,
             const LanesOptions& options, const LaneJobMaker& make, StopFlag& stop, LaneConsole& console,
             LaneOutcome& outcome) {
  const auto system = MakeSystemComPort();
  CountingComPort port(*system);
  LaneObserver observer(index, port, stop, console);
  const auto device = ResolvePortName(name, devices);
  if (!device) {
    observer.PortEnded("no device behind " + name);
    return;
  }
  observer.SetDevice(*device);
  if (*device != name) port.SetPortLabel(name);
  if (const auto opened = port.OpenComPort(*device); !opened) {
    observer.PortEnded("cannot open: " + opened.error().detail);
    return;
  }
  // Nothing the lane's work throws leaves its thread: the job boundary
  // records a box's exception; one outside a box ends only this port.
  try {
    RunLaneBoxes(index, name, *device, options, make, stop, port, observer, outcome);
  } catch (const std::exception& e) {
    outcome.lastSucceeded = false;
    observer.PortEnded(e.what());
  }
  port.CloseComPort();
}

}  // namespace

int RunOnPorts(const std::vector<std::string>& names, const std::vector<PortDevice>& devices,
               const LanesOptions& options, const LaneJobMaker& make) {
  // The stop signals are blocked here before the threads start, so they
  // inherit the mask and only this thread hears them.
  StopSignals interrupt;
  StopFlag stop;
  LaneConsole console(std::cout, std::cerr, StdoutIsTerminal(), names);
  std::vector<LaneOutcome> outcomes(names.size());
  std::atomic<std::size_t> running{names.size()};
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < names.size(); ++i) {
    threads.emplace_back([&, i] {
      RunLane(static_cast<int>(i), names[i], devices, options, make, stop, console, outcomes[i]);
      --running;
    });
  }
  while (running > 0 && !stop.Raised()) {
    if (interrupt.WaitFor(std::chrono::milliseconds(100))) stop.Raise();
  }
  for (auto& thread : threads) thread.join();
  console.Finish();
  if (stop.Raised()) return interrupt.ExitCode();
  for (const auto& outcome : outcomes) {
    if (!outcome.lastSucceeded) return kExitFailed;
  }
  return kExitOk;
}

}  // namespace tuneflash::cli
