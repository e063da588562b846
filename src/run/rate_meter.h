// The rate and the time left of a job, from its byte counts: the bytes done
// over a sliding window of the last few seconds, so a pause or a change of
// pace shows within the window and an early burst is soon forgotten.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

namespace tuneflash {

class RateMeter {
 public:
  using Clock = std::chrono::steady_clock;

  explicit RateMeter(Clock::duration window = std::chrono::seconds(3)) : window_(window) {}

  // Forgets every sample: a new job, or a new phase of one.
  void Reset() { samples_.clear(); }
  // `done` bytes of the job are through at `at` (counts never go back).
  void Add(std::uint64_t done, Clock::time_point at);

  // Bytes per second over the window; nothing before two samples a moment apart.
  std::optional<double> BytesPerSecond() const;
  // The time the `total - done` bytes left take at that rate.
  std::optional<std::chrono::milliseconds> TimeLeft(std::uint64_t total) const;

 private:
  struct Sample {
    Clock::time_point at;
    std::uint64_t done;
  };
  Clock::duration window_;
  std::deque<Sample> samples_;
};

}  // namespace tuneflash
