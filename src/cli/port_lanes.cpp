// One thread per port; the main thread only watches for Ctrl-C.
#include "cli/port_lanes.h"

#include <unistd.h>

#include <atomic>
#include <iostream>
#include <thread>

#include "cli/commands.h"
#include "cli/console_observer.h"
#include "link/posix_com_port.h"
#include "link/start_loop.h"
#include "link/upgrade_status.h"

namespace tuneflash::cli {
namespace {

constexpr auto kPauseAfterSuccess = std::chrono::milliseconds(1500);

struct LaneOutcome {
  bool lastSucceeded = false;
};

void RunLane(int index, const std::string& name, const std::vector<PortDevice>& devices,
             const LanesOptions& options, const LaneSequenceMaker& make, StopFlag& stop, LaneConsole& console,
             LaneOutcome& outcome) {
  PosixComPort port;
  LaneObserver observer(index, port, stop, console);
  observer.SetExpectedBytes(options.expectedBytes);
  const auto device = ResolvePortName(name, devices);
  if (!device) {
    observer.PortEnded("no device behind " + name);
    return;
  }
  observer.SetDevice(*device);
  if (!port.OpenComPort(*device)) {
    observer.PortEnded("cannot open: " + port.LastError());
    return;
  }
  Lane lane{index, name, *device, port, observer};
  const LaneSequence sequence = make(lane);
  const std::function<bool()> box = [&] {
    const BoxEnd end = sequence();
    const bool stopped = end.outcome != RunOutcome::Success && observer.stopped();
    observer.BoxEnded(stopped ? RunOutcome::Stopped : end.outcome, stopped ? "stopped" : end.summary);
    return end.outcome == RunOutcome::Success;
  };
  StartLoopOptions loop;
  loop.nextBoxAfterSuccess = options.repeat || options.count > 1;
  loop.pauseAfterSuccess = [&] {
    if (stop.WaitFor(kPauseAfterSuccess)) observer.StopIfAsked();
  };
  int succeeded = 0;
  for (;;) {
    loop.maxBoxes = options.repeat ? 0 : options.count - succeeded;
    const StartLoopResult result = RunStartLoop(port, observer, box, loop);
    succeeded += result.boxesSucceeded;
    outcome.lastSucceeded = result.lastSucceeded;
    if (!options.repeat || observer.stopped() || !port.PortOpen()) break;
  }
  if (!observer.stopped() && !port.PortOpen() && !outcome.lastSucceeded) observer.PortEnded("port closed");
  port.CloseComPort();
}

}  // namespace

int RunOnPorts(const std::vector<std::string>& names, const std::vector<PortDevice>& devices,
               const LanesOptions& options, const LaneSequenceMaker& make) {
  // SIGINT is blocked here before the threads start, so they inherit the
  // mask and only this thread hears it.
  InterruptSignal interrupt;
  StopFlag stop;
  LaneConsole console(std::cout, std::cerr, ::isatty(STDOUT_FILENO) != 0, names);
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
  if (stop.Raised()) return kExitInterrupted;
  for (const auto& outcome : outcomes) {
    if (!outcome.lastSucceeded) return kExitFailed;
  }
  return kExitOk;
}

}  // namespace tuneflash::cli
