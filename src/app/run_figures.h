// Figures the window shows about its runs: the boxes done since it started
// ("12 ok, 1 failed") and the run's rate and time left as text.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace tuneflash::app {

struct BoxTally {
  int ok = 0;
  int failed = 0;
  // "12 ok, 1 failed".
  std::string Text() const;
};

// "10.5 KiB/s, 0:07 left"; either part is left out while it is unknown,
// and the text is empty when both are.
std::string FiguresText(std::optional<double> bytesPerSecond, std::optional<std::chrono::milliseconds> left);

}  // namespace tuneflash::app
