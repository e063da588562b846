// Figures the window shows about its runs: the boxes done since it started
// ("12 ok, 1 failed") and the rate and time left of the running phase.
#pragma once

#include <chrono>
#include <cstddef>
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

// Rate and time left of one phase (transfer, erase, program). The rate comes
// from the data bytes the link reports, the time left from the share done.
class PhaseEstimate {
 public:
  using Clock = std::chrono::steady_clock;

  void Begin(Clock::time_point now);
  void AddBytes(std::size_t count) { bytes_ += count; }
  // "10.5 KiB/s, 0:07 left"; either part is left out while it is unknown,
  // and the text is empty when both are. `done` is the share done, 0..1.
  std::string Text(double done, Clock::time_point now) const;

 private:
  Clock::time_point start_{};
  std::size_t bytes_ = 0;
};

}  // namespace tuneflash::app
