// Rate over a sliding window.
#include "run/rate_meter.h"

namespace tuneflash {

void RateMeter::Add(std::uint64_t done, Clock::time_point at) {
  samples_.push_back({at, done});
  // Keep one sample at or before the window's start as the base the rate is measured from.
  while (samples_.size() > 2 && samples_[1].at <= at - window_) samples_.pop_front();
}

std::optional<double> RateMeter::BytesPerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const Sample& first = samples_.front();
  const Sample& last = samples_.back();
  const std::chrono::duration<double> span = last.at - first.at;
  if (span.count() <= 0 || last.done < first.done) return std::nullopt;
  return static_cast<double>(last.done - first.done) / span.count();
}

std::optional<std::chrono::milliseconds> RateMeter::TimeLeft(std::uint64_t total) const {
  const auto rate = BytesPerSecond();
  if (!rate || *rate <= 0 || samples_.empty()) return std::nullopt;
  const std::uint64_t done = samples_.back().done;
  const double left = done >= total ? 0.0 : static_cast<double>(total - done) / *rate;
  return std::chrono::milliseconds(static_cast<long long>(left * 1000 + 0.5));
}

}  // namespace tuneflash
