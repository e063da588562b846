// The box tally and the figures text.
#include "app/run_figures.h"

#include <cstdio>

namespace tuneflash::app {

std::string BoxTally::Text() const {
  return std::to_string(ok) + " ok, " + std::to_string(failed) + " failed";
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

}  // namespace tuneflash::app
