// A run on several ports at once: one thread per port, each with its own
// port object, observer and sequence state, each looping hello, job, next
// box on its own; a failure on one port stays on that port. Ctrl-C stops
// them all, and a summary table ends the run.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/lane_observer.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "link/port_names.h"
#include "run/phase_watch.h"
#include "runlog/box_log.h"

namespace tuneflash::cli {

// What a port's job is bound to.
struct Lane {
  int index;
  std::string name;    // as the operator gave it
  std::string device;  // what it opened
  ComPort& port;
  LaneObserver& observer;  // the port's view, for its result lines
  PhaseWatch& events;      // what the job reports through
};

// Makes a port's job, once per port, on that port's thread.
using LaneJobMaker = std::function<BoxJob(Lane& lane)>;

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
               const LanesOptions& options, const LaneJobMaker& make);

}  // namespace tuneflash::cli
