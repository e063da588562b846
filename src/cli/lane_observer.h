// The observer of one port in a run on several ports: keeps that port's
// view (state, percent, rate, boxes) and hands it to the shared console.
// Stopping is the main thread's flag; the port is closed by its own thread,
// at the next pump, so no lock ever sits around the protocol.
#pragma once

#include <string>

#include "cli/lane_console.h"
#include "cli/stop_flag.h"
#include "link/com_port.h"
#include "run/run_observer.h"
#include "runlog/run_record.h"

namespace tuneflash::cli {

class LaneObserver final : public RunObserver {
 public:
  LaneObserver(int lane, ComPort& port, StopFlag& stop, LaneConsole& console);

  void SetRunControlsEnabled(bool) override {}
  void Pump() override;
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

 protected:
  void OnStatusLine(const StatusLine& status) override;
  void OnLogLine(const LogLine& line) override;
  void OnFailed(const Failed& failed) override;
  void OnPhaseStarted(const PhaseStarted& started) override;
  void OnJobProgress(const JobProgress& progress) override;
  void OnPhaseEnded(const PhaseEnded& ended) override;

 private:
  int lane_;
  ComPort& port_;
  StopFlag& stop_;
  LaneConsole& console_;
  LaneView view_;
  bool stopped_ = false;
  bool inPhase_ = false;
};

}  // namespace tuneflash::cli
