// How a run looks in a terminal or a log: the status texts exactly as the
// window shows them, one per line; on a terminal the transfer, erase and
// program phases show a progress bar (following the byte counts and steps of
// the progress events) with rate and time left instead of their percentage
// lines. Why a run failed goes to the log stream. A stop signal (Ctrl-C,
// SIGTERM, SIGHUP) closes the port, which is how a run is stopped, just as Reset does in the window.
#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

#include "cli/stop_signals.h"
#include "link/com_port.h"
#include "link/run_observer.h"

namespace tuneflash::cli {

class ConsoleObserver final : public RunObserver {
 public:
  ConsoleObserver(ComPort& port, StopSignals& interrupt, std::ostream& out, std::ostream& log, bool terminal);

  void ShowStatus(std::string_view text) override;
  void SetRunControlsEnabled(bool) override {}
  void AddLogLine(std::string_view line) override;
  void ResetProgress() override;
  void StepProgress(int max, int step) override;
  void Pump() override;
  void AddTransferredBytes(std::size_t count) override;
  void OnProgress(const ProgressEvent& event) override;
  void ReportFailure(const LinkFailure& failure) override;
  // Ends a bar that is still drawn.
  void Finish();
  bool interrupted() const { return interrupted_; }
  void Interrupt();

 private:
  void DrawBar();
  void EndBar();

  ComPort& port_;
  StopSignals& interrupt_;
  std::ostream& out_;
  std::ostream& log_;
  bool terminal_;
  bool interrupted_ = false;
  bool barShown_ = false;
  bool barPhase_ = false;  // between the start and the end of a phase with a bar
  std::string phaseText_;
  std::size_t done_ = 0;
  std::size_t total_ = 0;
  std::size_t bytes_ = 0;
  std::chrono::steady_clock::time_point phaseStart_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace tuneflash::cli
