// The record of every box a run handles: one BoxLog per port runs each box
// between its hello and its end, keeps its record and appends it to the run
// log when there is one. The log may be shared by ports running in
// parallel; its appends never interleave.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "run/link_failure.h"
#include "run/phase_watch.h"
#include "runlog/counting_com_port.h"
#include "runlog/run_log_file.h"
#include "runlog/run_record.h"

namespace tuneflash {

// One box's job, bound to its port and observer.
struct BoxJob {
  std::function<LinkStatus()> run;
  // The file the record names, read after the run (told whether it succeeded).
  std::function<FileFacts(bool succeeded)> file;
  // Verify only: the comparison of each partition, after the run.
  std::function<std::vector<PartitionComparison>()> partitions;
};

class BoxLog {
 public:
  // `counter` is the port the box's job talks through; `file` may be empty
  // (no run log: the records are only kept). The boxes are numbered on
  // from `counted` (the boxes an earlier run of the same lane recorded).
  BoxLog(std::shared_ptr<const RunLogFile> file, std::string command, std::string port,
         const CountingComPort& counter, int counted = 0);

  // Runs the box's job and records it: a success, a failure, or "stopped"
  // when the user closed the port (Ctrl-C, Reset). A record that cannot be
  // written is reported on `observer`'s log; the run goes on. This is the
  // job boundary: an exception of the job never leaves it but becomes a
  // failure in the phase `observer` saw the job start last.
  LinkStatus Run(const BoxJob& job, PhaseWatch& observer);

  // How many boxes were recorded, those of earlier runs included.
  int counted() const { return boxes_; }
  // The record of the last box, once there was one.
  const std::optional<RunRecord>& last() const { return last_; }

 private:
  LinkFailure JobFailure(LinkPhase phase, std::string detail) const;
  void Finish(RunRecord& record, const LineCounts& before, const LinkStatus& status, const BoxJob& job,
              RunObserver& observer);

  std::shared_ptr<const RunLogFile> file_;
  std::string command_;
  std::string port_;
  const CountingComPort& counter_;
  int boxes_ = 0;
  std::optional<RunRecord> last_;
};

}  // namespace tuneflash
