// One port's share of the console.
#include "cli/lane_observer.h"

#include <algorithm>

namespace tuneflash::cli {

LaneObserver::LaneObserver(int lane, ComPort& port, StopFlag& stop, LaneConsole& console)
    : lane_(lane), port_(port), stop_(stop), console_(console), view_(console.View(lane)) {}

void LaneObserver::OnStatusLine(const StatusLine& status) {
  view_.state = status.text;
  if (!inPhase_) {
    view_.percent = -1;
    view_.bytesPerSecond = 0;
  }
  console_.Status(lane_, view_);
}

void LaneObserver::OnLogLine(const LogLine& line) {
  console_.Log(lane_, line.text);
}

void LaneObserver::OnFailed(const Failed& failed) {
  console_.Log(lane_, failed.reason);
}

void LaneObserver::OnPhaseStarted(const PhaseStarted&) {
  inPhase_ = true;
  view_.percent = 0;
  view_.bytesPerSecond = 0;
  console_.Update(lane_, view_);
}

void LaneObserver::OnJobProgress(const JobProgress& p) {
  // The job's share when its bytes are known, else the phase's partitions.
  if (p.total > 0) {
    view_.percent = static_cast<int>(std::min<std::uint64_t>(100, p.done * 100 / p.total));
  } else if (p.partitions > 0) {
    view_.percent = std::min(100, p.partitionsDone * 100 / p.partitions);
  }
  view_.bytesPerSecond = p.phase == LinkPhase::Transfer ? p.bytesPerSecond.value_or(0) : 0;
  console_.Update(lane_, view_);
}

void LaneObserver::OnPhaseEnded(const PhaseEnded&) {
  inPhase_ = false;
  console_.Update(lane_, view_);
}

void LaneObserver::Pump() {
  StopIfAsked();
}

bool LaneObserver::StopIfAsked() {
  if (!stopped_ && stop_.Raised()) {
    stopped_ = true;
    port_.CloseComPort();
  }
  return stopped_;
}

void LaneObserver::SetDevice(const std::string& device) {
  view_.device = device;
  console_.Update(lane_, view_, true);
}

void LaneObserver::BoxEnded(RunOutcome outcome, const std::string& result) {
  if (outcome == RunOutcome::Success) ++view_.boxesDone;
  if (outcome == RunOutcome::Failed) ++view_.boxesFailed;
  view_.lastResult = result;
  console_.Update(lane_, view_, true);
}

void LaneObserver::PortEnded(const std::string& why) {
  view_.lastResult = why;
  view_.state = why;
  console_.Status(lane_, view_);
}

}  // namespace tuneflash::cli
