// A run on several ports at once: one thread per port, each with its own
// port object, observer and sequence state, each looping hello, job, next
// box on its own; a failure on one port stays on that port. Ctrl-C stops
// them all, and a summary table ends the run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/lane_observer.h"
#include "link/com_port.h"
#include "link/port_names.h"
#include "runlog/run_record.h"

namespace tuneflash::cli {

// How one box ended, and the words for the summary's "last result".
struct BoxEnd {
  RunOutcome outcome = RunOutcome::Failed;
  std::string summary;
};

// What a port's sequence is bound to.
struct Lane {
  int index;
  std::string name;    // as the operator gave it
  std::string device;  // what it opened
  ComPort& port;
  LaneObserver& observer;
};

// Makes a port's sequence, once per port, on that port's thread.
using LaneSequence = std::function<BoxEnd()>;
using LaneSequenceMaker = std::function<LaneSequence(Lane& lane)>;

struct LanesOptions {
  int count = 1;        // boxes per port (a failure ends the port); ignored with repeat
  bool repeat = false;  // box after box until Ctrl-C; a failed box does not end the port
  std::size_t expectedBytes = 0;
};

// Runs every port of `names` (entry names or device paths, resolved through
// `devices`) until each is done or Ctrl-C; returns the exit code: 130 after
// Ctrl-C, 0 when every port's last box succeeded, 1 otherwise.
int RunOnPorts(const std::vector<std::string>& names, const std::vector<PortDevice>& devices,
               const LanesOptions& options, const LaneSequenceMaker& make);

}  // namespace tuneflash::cli
