// One port's share of the console.
#include "cli/lane_observer.h"

#include <algorithm>

#include "link/upgrade_status.h"

namespace tuneflash::cli {

LaneObserver::LaneObserver(int lane, LaneConsole& console)
    : lane_(lane), console_(console), view_(console.View(lane)) {}

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

void LaneObserver::SetDevice(const std::string& device) {
  view_.device = device;
  console_.Update(lane_, view_, true);
}

void LaneObserver::OnBoxEnded(const BoxEnded& ended) {
  if (ended.succeeded) {
    ++view_.boxesDone;
    view_.lastResult = *StatusText(kUpdateSuccess);
  } else if (ended.stopped) {
    view_.lastResult = "stopped";
  } else {
    ++view_.boxesFailed;
    view_.lastResult = ended.reason.empty() ? std::string(*StatusText(kUpdateFailed)) : ended.reason;
  }
  console_.Update(lane_, view_, true);
}

void LaneObserver::PortEnded(const std::string& why) {
  view_.lastResult = why;
  view_.state = why;
  console_.Status(lane_, view_);
}

}  // namespace tuneflash::cli
