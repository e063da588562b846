// One port's share of the console.
#include "cli/lane_observer.h"

#include <algorithm>

namespace tuneflash::cli {

LaneObserver::LaneObserver(int lane, ComPort& port, StopFlag& stop, LaneConsole& console)
    : lane_(lane), port_(port), stop_(stop), console_(console), view_(console.View(lane)) {}

void LaneObserver::ShowStatus(std::string_view text) {
  view_.state = std::string(text);
  if (!inPhase_) {
    view_.percent = -1;
    view_.bytesPerSecond = 0;
  }
  console_.Status(lane_, view_);
}

void LaneObserver::AddLogLine(std::string_view line) {
  console_.Log(lane_, line);
}

void LaneObserver::ReportFailure(const LinkFailure& failure) {
  console_.Log(lane_, DescribeFailure(failure));
}

void LaneObserver::OnProgress(const ProgressEvent& event) {
  switch (event.kind) {
    case ProgressEvent::Kind::PhaseStarted:
      inPhase_ = true;
      unit_ = event.unit;
      phaseStart_ = std::chrono::steady_clock::now();
      bytes_ = 0;
      view_.percent = 0;
      view_.bytesPerSecond = 0;
      break;
    case ProgressEvent::Kind::Advanced:
      // A transfer that counts bytes also reports partitions: the bytes lead.
      if (event.unit == unit_ && event.total > 0)
        view_.percent = static_cast<int>(std::min<std::size_t>(100, event.done * 100 / event.total));
      break;
    case ProgressEvent::Kind::PhaseEnded:
      inPhase_ = false;
      break;
  }
  console_.Update(lane_, view_);
}

void LaneObserver::AddTransferredBytes(std::size_t count) {
  bytes_ += count;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStart_).count();
  view_.bytesPerSecond = elapsed > 0 ? static_cast<double>(bytes_) / elapsed : 0;
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
