// The observer of one port in a run on several ports: keeps that port's
// view (state, percent, rate, boxes) and hands it to the shared console.
// Stopping is the lane's business; this only shows.
#pragma once

#include <string>

#include "cli/lane_console.h"
#include "run/run_observer.h"

namespace tuneflash::cli {

class LaneObserver final : public RunObserver {
 public:
  LaneObserver(int lane, LaneConsole& console);

  void SetRunControlsEnabled(bool) override {}
  void Pump() override {}
  // A result line of this port (verify's partitions) on the output.
  void Print(std::string_view line) { console_.Print(lane_, line); }

  void SetDevice(const std::string& device);
  // The port ends without a box to count (cannot open, device gone).
  void PortEnded(const std::string& why);

  const LaneView& view() const { return view_; }

 protected:
  void OnStatusLine(const StatusLine& status) override;
  void OnLogLine(const LogLine& line) override;
  void OnFailed(const Failed& failed) override;
  void OnPhaseStarted(const PhaseStarted& started) override;
  void OnJobProgress(const JobProgress& progress) override;
  void OnPhaseEnded(const PhaseEnded& ended) override;
  // Counts a success or a failure (a stopped box is neither) and keeps how
  // it ended as the port's last result.
  void OnBoxEnded(const BoxEnded& ended) override;

 private:
  int lane_;
  LaneConsole& console_;
  LaneView view_;
  bool inPhase_ = false;
};

}  // namespace tuneflash::cli
