// The box tally and the phase estimate.
#include "app/run_figures.h"

#include <cstdio>

namespace tuneflash::app {

std::string BoxTally::Text() const {
  return std::to_string(ok) + " ok, " + std::to_string(failed) + " failed";
}

void PhaseEstimate::Begin(Clock::time_point now) {
  start_ = now;
  bytes_ = 0;
}

std::string FiguresText(std::optional<double> bytesPerSecond, std::optional<std::chrono::milliseconds> left) {
  std::string text;
  char part[48];
  if (bytesPerSecond && *bytesPerSecond > 0) {
    std::snprintf(part, sizeof part, "%.1f KiB/s", *bytesPerSecond / 1024.0);
    text = part;
  }
  if (left) {
    const long long seconds = (left->count() + 500) / 1000;
    std::snprintf(part, sizeof part, "%lld:%02lld left", seconds / 60, seconds % 60);
    text += (text.empty() ? "" : ", ") + std::string(part);
  }
  return text;
}

std::string PhaseEstimate::Text(double done, Clock::time_point now) const {
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::optional<double> rate;
  if (bytes_ > 0 && elapsed > 0) rate = static_cast<double>(bytes_) / elapsed;
  std::optional<std::chrono::milliseconds> left;
  if (done > 0 && done < 1 && elapsed > 0)
    left = std::chrono::milliseconds(static_cast<long long>(elapsed * (1 - done) / done * 1000));
  return FiguresText(rate, left);
}

}  // namespace tuneflash::app
