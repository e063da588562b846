// One port's share of the console.
#include "cli/lane_observer.h"

#include <algorithm>

#include "cli/progress_text.h"

namespace tuneflash::cli {

LaneObserver::LaneObserver(int lane, ComPort& port, StopFlag& stop, LaneConsole& console)
    : lane_(lane), port_(port), stop_(stop), console_(console), view_(console.View(lane)) {}

void LaneObserver::ShowStatus(std::string_view text) {
  const std::string_view prefix = PercentPrefixOf(text);
  if (prefix != phasePrefix_) {
    phasePrefix_ = std::string(prefix);
    phaseStart_ = std::chrono::steady_clock::now();
    bytes_ = 0;
  }
  view_.state = std::string(text);
  if (prefix.empty()) {
    view_.percent = -1;
    view_.bytesPerSecond = 0;
  }
  Refresh();
  console_.Status(lane_, view_);
}

void LaneObserver::AddLogLine(std::string_view line) {
  console_.Log(lane_, line);
}

void LaneObserver::StepProgress(int max, int step) {
  maximum_ = max;
  position_ += step;
  if (position_ > maximum_) position_ = step;
  Refresh();
  console_.Update(lane_, view_);
}

void LaneObserver::AddTransferredBytes(std::size_t count) {
  bytes_ += count;
  Refresh();
  console_.Update(lane_, view_);
}

void LaneObserver::Refresh() {
  if (phasePrefix_.empty()) return;
  double fraction = maximum_ > 0 ? static_cast<double>(position_) / maximum_ : 0.0;
  if (phasePrefix_ == kTransferPercentPrefix && expectedBytes_ > 0)
    fraction = std::min(1.0, static_cast<double>(bytes_) / static_cast<double>(expectedBytes_));
  view_.percent = static_cast<int>(fraction * 100);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStart_).count();
  view_.bytesPerSecond = bytes_ > 0 && elapsed > 0 ? static_cast<double>(bytes_) / elapsed : 0;
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
