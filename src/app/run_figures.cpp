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

std::string PhaseEstimate::Text(double done, Clock::time_point now) const {
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::string text;
  char part[48];
  if (bytes_ > 0 && elapsed > 0) {
    std::snprintf(part, sizeof part, "%.1f KiB/s", static_cast<double>(bytes_) / 1024.0 / elapsed);
    text = part;
  }
  if (done > 0 && done < 1 && elapsed > 0) {
    const long seconds = static_cast<long>(elapsed * (1 - done) / done + 0.5);
    std::snprintf(part, sizeof part, "%ld:%02ld left", seconds / 60, seconds % 60);
    text += (text.empty() ? "" : ", ") + std::string(part);
  }
  return text;
}

}  // namespace tuneflash::app
