// --log FILE: the record of every box a command handles, one JSON line per
// box appended to FILE. One BoxLog per port runs each box between its hello
// and its end, and keeps the record (also without --log). The file is
// shared by the ports; its appends never interleave.
#pragma once

#include <CLI/CLI.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/link_failure.h"
#include "link/run_observer.h"
#include "runlog/counting_com_port.h"
#include "runlog/run_log_file.h"
#include "runlog/run_record.h"

namespace tuneflash::cli {

// Adds --log FILE to `command`.
void AddLogOption(CLI::App& command, std::string& path);

// Opens the --log file when one was given; prints why it cannot be opened
// and gives false. `file` stays empty without --log.
bool OpenRunLog(const std::string& path, std::shared_ptr<const RunLogFile>& file);

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
  // `counter` is the port the box's job talks through; `stopped` tells
  // whether the user stopped the run (Ctrl-C).
  BoxLog(std::shared_ptr<const RunLogFile> file, std::string command, std::string port,
         const CountingComPort& counter, std::function<bool()> stopped);

  // Runs the box's job and records it. A record that cannot be written is
  // reported on `observer`'s log; the run goes on.
  LinkStatus Run(const BoxJob& job, RunObserver& observer);

  // The record of the last box, once there was one.
  const std::optional<RunRecord>& last() const { return last_; }

 private:
  void Finish(RunRecord& record, const LineCounts& before, const LinkStatus& status, const BoxJob& job,
              RunObserver& observer);

  std::shared_ptr<const RunLogFile> file_;
  std::string command_;
  std::string port_;
  const CountingComPort& counter_;
  std::function<bool()> stopped_;
  int boxes_ = 0;
  std::optional<RunRecord> last_;
};

}  // namespace tuneflash::cli
