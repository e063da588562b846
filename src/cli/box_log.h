// --log FILE: the record of every box a command handles, one JSON line per
// box appended to FILE. One BoxLog per port; the file is shared, and its
// appends never interleave.
#pragma once

#include <CLI/CLI.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "link/run_observer.h"
#include "runlog/run_log_file.h"
#include "runlog/run_record.h"

namespace tuneflash::cli {

// Adds --log FILE to `command`.
void AddLogOption(CLI::App& command, std::string& path);

// Opens the --log file when one was given; prints why it cannot be opened
// and gives false. `file` stays empty without --log.
bool OpenRunLog(const std::string& path, std::shared_ptr<const RunLogFile>& file);

// What the sequence knows about a box beyond success.
struct BoxDetails {
  std::optional<RecordedFailure> failure;
  LineCounts counts;
  std::vector<PartitionComparison> partitions;
};

// How a box ended, from its sequence's result and whether the user stopped it.
inline RunOutcome OutcomeOf(bool succeeded, bool stopped) {
  return succeeded ? RunOutcome::Success : stopped ? RunOutcome::Stopped : RunOutcome::Failed;
}

class BoxLog {
 public:
  BoxLog(std::shared_ptr<const RunLogFile> file, std::string command, std::string port, std::string device);

  // The box has said hello: its record starts now.
  void BoxStarted();
  // The box ended: its record is built and appended. A record that cannot
  // be written is reported on `observer`'s log; the run goes on. Returns
  // the record (also without --log).
  RunRecord BoxEnded(RunOutcome outcome, FileFacts file, BoxDetails details, RunObserver& observer);

  int boxes() const { return box_; }

 private:
  std::shared_ptr<const RunLogFile> file_;
  std::string command_;
  std::string port_;
  std::string device_;
  int box_ = 0;
  std::chrono::system_clock::time_point start_;
};

}  // namespace tuneflash::cli
