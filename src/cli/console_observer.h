// How a run looks in a terminal or a log: the status texts exactly as the
// window shows them, one per line; on a terminal the transfer, erase and
// program phases show a progress bar (following the job's progress events,
// with the rate and time left they carry) instead of their percentage
// lines. Why a run failed goes to the log stream. A stop signal (Ctrl-C,
// SIGTERM, SIGHUP; Ctrl-C or Ctrl-Break on Windows) stops the port's lane,
// just as Reset does in the window.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "run/run_observer.h"

namespace tuneflash::cli {

class ConsoleObserver final : public RunObserver {
 public:
  ConsoleObserver(std::ostream& out, std::ostream& log, bool terminal);

  void SetRunControlsEnabled(bool) override {}
  void Pump() override {}
  // Ends a bar that is still drawn.
  void Finish();

 protected:
  void OnStatusLine(const StatusLine& status) override;
  void OnLogLine(const LogLine& line) override;
  void OnFailed(const Failed& failed) override;
  void OnPhaseStarted(const PhaseStarted& started) override;
  void OnJobProgress(const JobProgress& progress) override;
  void OnPhaseEnded(const PhaseEnded& ended) override;

 private:
  void DrawBar();
  void EndBar();

  std::ostream& out_;
  std::ostream& log_;
  bool terminal_;
  bool barShown_ = false;
  bool barPhase_ = false;  // between the start and the end of a phase with a bar
  std::string phaseText_;
  JobProgress progress_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace tuneflash::cli
