// A run on several ports at once: one lane per port, each on its own thread
// with its own port object, observer and sequence state, looping hello, job,
// next box on its own; a failure on one port stays on that port. A stop
// signal stops them all, and a summary table ends the run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lane/port_lane.h"
#include "link/port_names.h"

namespace tuneflash::cli {

// Makes a port's job from its lane; `print` puts a result line of the port
// (verify's partitions) on the output, with the port in front.
using PortJobMaker =
    std::function<BoxJob(const LaneBinding& lane, std::function<void(std::string_view)> print)>;

struct LanesOptions {
  std::string command;                       // for the records
  std::shared_ptr<const RunLogFile> runLog;  // --log, when given
  int count = 1;                             // boxes per port (a failure ends the port); ignored with repeat
  bool repeat = false;                       // box after box until Ctrl-C; a failed box does not end the port
  LinkTiming timing;
};

// Runs every port of `names` (entry names or device paths, resolved through
// `devices`) until each is done or a stop signal; returns the exit code:
// 128 + the signal's number after one (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP), 0 when every port's last box
// succeeded, 1 otherwise.
int RunOnPorts(const std::vector<std::string>& names, const std::vector<PortDevice>& devices,
               const LanesOptions& options, const PortJobMaker& make);

}  // namespace tuneflash::cli
