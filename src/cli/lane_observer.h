// The observer of one port in a run on several ports: keeps that port's
// view (state, percent, rate, boxes) and hands it to the shared console.
// Stopping is the main thread's flag; the port is closed by its own thread,
// at the next pump, so no lock ever sits around the protocol.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "cli/lane_console.h"
#include "cli/stop_flag.h"
#include "link/com_port.h"
#include "link/run_observer.h"
#include "runlog/run_record.h"

namespace tuneflash::cli {

class LaneObserver final : public RunObserver {
 public:
  LaneObserver(int lane, ComPort& port, StopFlag& stop, LaneConsole& console);

  void ShowStatus(std::string_view text) override;
  void SetRunControlsEnabled(bool) override {}
  void AddLogLine(std::string_view line) override;
  void ResetProgress() override {}
  void StepProgress(int, int) override {}
  void Pump() override;
  void AddTransferredBytes(std::size_t count) override;
  void OnProgress(const ProgressEvent& event) override;
  void ReportFailure(const LinkFailure& failure) override;
  // A result line of this port (verify's partitions) on the output.
  void Print(std::string_view line) { console_.Print(lane_, line); }

  void SetDevice(const std::string& device);
  // One box ended: counts a success or a failure (a stopped box is neither)
  // and keeps `result` as the port's last result.
  void BoxEnded(RunOutcome outcome, const std::string& result);
  // The port ends without a box to count (cannot open, device gone).
  void PortEnded(const std::string& why);

  // Closes the port if the stop flag is up; true when it is.
  bool StopIfAsked();
  bool stopped() const { return stopped_; }
  const LaneView& view() const { return view_; }

 private:
  int lane_;
  ComPort& port_;
  StopFlag& stop_;
  LaneConsole& console_;
  LaneView view_;
  bool stopped_ = false;
  bool inPhase_ = false;
  ProgressEvent::Unit unit_ = ProgressEvent::Unit::Partitions;
  std::size_t bytes_ = 0;
  std::chrono::steady_clock::time_point phaseStart_;
};

}  // namespace tuneflash::cli
