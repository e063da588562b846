// One thread per lane; the main thread only listens for the stop signals.
#include "cli/lane_threads.h"

#include <atomic>
#include <thread>

#include "cli/console_platform.h"

namespace tuneflash::cli {

std::optional<int> RunLaneThreads(StopToken& stop, const std::vector<std::function<void()>>& lanes) {
  // The signals are blocked here before the threads start, so they inherit
  // the mask and only this thread hears them.
  StopSignals signals;
  std::atomic<std::size_t> running{lanes.size()};
  std::vector<std::thread> threads;
  threads.reserve(lanes.size());
  for (const auto& lane : lanes) {
    threads.emplace_back([&lane, &running] {
      lane();
      --running;
    });
  }
  bool signalled = false;
  while (running > 0 && !signalled) {
    signalled = signals.WaitFor(std::chrono::milliseconds(100));
  }
  if (signalled) stop.Raise();
  for (auto& thread : threads) thread.join();
  if (signalled) return signals.ExitCode();
  return std::nullopt;
}

}  // namespace tuneflash::cli
