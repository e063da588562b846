// The seam between the sequences and whoever watches them: the window, the
// CLI and the tests each implement it. The sequences call it in a documented
// order; nothing else reaches a person from the core.
#pragma once

#include <cstddef>
#include <string_view>

#include "link/link_failure.h"

namespace tuneflash {

// What a sequence reports besides its status texts, for bars and logs: a
// phase started, so much of it is done, it ended. `done`/`total` count bytes
// where the total is known (a download's transfer) and partitions otherwise.
struct ProgressEvent {
  enum class Kind { PhaseStarted, Advanced, PhaseEnded };
  enum class Unit { ByteCount, Partitions };
  Kind kind = Kind::PhaseStarted;
  LinkPhase phase = LinkPhase::Transfer;
  Unit unit = Unit::Partitions;
  std::size_t done = 0;
  std::size_t total = 0;  // 0 when not known
  bool succeeded = true;  // PhaseEnded only
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;

  // Shows one status line (the status field of the window).
  virtual void ShowStatus(std::string_view text) = 0;
  // Enables or disables the run controls (Start, Open, mode and port lists).
  virtual void SetRunControlsEnabled(bool enabled) = 0;
  // Appends a line to the log list.
  virtual void AddLogLine(std::string_view line) = 0;
  // Sets the progress position to 0.
  virtual void ResetProgress() = 0;
  // Sets the range 0..max and the step, then advances by one step; past the
  // maximum the bar starts over from 0.
  virtual void StepProgress(int max, int step) = 0;
  // Processes pending user events (Reset, Close) so they can stop a run.
  virtual void Pump() = 0;
  // Data bytes of one acknowledged data block (sent or received); lets a
  // front end show a transfer rate. Optional.
  virtual void AddTransferredBytes(std::size_t count) { (void)count; }
  // The typed progress of the verify, transfer, erase and program phases.
  // A phase's PhaseStarted follows its running text ("Transfer..."), its
  // PhaseEnded comes before its result text. Optional.
  virtual void OnProgress(const ProgressEvent& event) { (void)event; }
  // Why a pass of the Start loop failed: called exactly once per failed
  // pass, after its status texts ("... failed!", "Update failed!"). Optional.
  virtual void ReportFailure(const LinkFailure& failure) { (void)failure; }
};

}  // namespace tuneflash
