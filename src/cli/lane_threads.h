// The lanes of a CLI run, each on a thread of its own, while the main thread
// listens for the stop signals (Ctrl-C, SIGTERM, SIGHUP) and passes the first
// one on to every lane.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "lane/stop_token.h"

namespace tuneflash::cli {

// Runs every function of `lanes` on its own thread and returns once all have
// ended. A stop signal meanwhile raises `stop`; the exit code it asks for
// (130, 143, 129) is returned then.
std::optional<int> RunLaneThreads(StopToken& stop, const std::vector<std::function<void()>>& lanes);

}  // namespace tuneflash::cli
