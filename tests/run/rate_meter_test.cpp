// Rate and time left from synthetic byte counts: a steady paced line, a line
// that slows down, a stall, and the cases with too little to go on.
#include "run/rate_meter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tuneflash::testing {
namespace {

using namespace std::chrono_literals;

// One leg of a transfer: `seconds` long at `bytesPerSecond`, a sample every 100 ms.
struct Leg {
  double seconds;
  double bytesPerSecond;
};

struct RateCase {
  const char* name;
  std::vector<Leg> legs;
  std::uint64_t total;
  std::optional<double> rate;  // expected at the end, within 1 %
};

TEST(RateMeter, FollowsTheLastSecondsOfTheLine) {
  const RateCase cases[] = {
      {"steady 10.5 kB/s", {{8, 10500}}, 200000, 10500},
      {"fast then slow: the window forgets the start", {{5, 40000}, {5, 5000}}, 400000, 5000},
      {"a stall after a burst", {{2, 20000}, {4, 0}}, 100000, 0},
      {"nothing but one sample", {}, 1000, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RateMeter meter;
    const auto start = RateMeter::Clock::time_point{} + 1h;
    auto at = start;
    double done = 0;
    meter.Add(0, at);
    for (const Leg& leg : c.legs) {
      for (int tick = 0; tick < static_cast<int>(leg.seconds * 10); ++tick) {
        at += 100ms;
        done += leg.bytesPerSecond / 10;
        meter.Add(static_cast<std::uint64_t>(done), at);
      }
    }
    const auto rate = meter.BytesPerSecond();
    ASSERT_EQ(rate.has_value(), c.rate.has_value());
    if (!rate) continue;
    EXPECT_NEAR(*rate, *c.rate, *c.rate / 100 + 1);
    const auto left = meter.TimeLeft(c.total);
    if (*c.rate > 0) {
      ASSERT_TRUE(left);
      const double expected = (static_cast<double>(c.total) - done) / *c.rate;
      EXPECT_NEAR(static_cast<double>(left->count()) / 1000, expected, expected / 100 + 0.01);
    } else {
      EXPECT_FALSE(left);
    }
  }
}

// On a paced transfer the time left, once a fifth is through, stays within
// a tenth of what really remains, on every sample to the end.
TEST(RateMeter, TimeLeftOfAPacedTransferHoldsFromTheFirstFifth) {
  constexpr std::uint64_t kTotal = 300000;
  constexpr double kRate = 10472;  // 115200 bit/s at 11 bits a character
  RateMeter meter;
  auto at = RateMeter::Clock::time_point{} + 1h;
  meter.Add(0, at);
  // 1024-byte frames, each ACKed after a short turn-around of 2 to 6 ms.
  std::uint64_t done = 0;
  int frame = 0;
  while (done < kTotal) {
    const std::uint64_t bytes = std::min<std::uint64_t>(1020, kTotal - done);
    at += std::chrono::microseconds(static_cast<long long>(1024 / kRate * 1e6)) +
          std::chrono::milliseconds(2 + frame++ % 5);
    done += bytes;
    meter.Add(done, at);
    if (done * 5 < kTotal) continue;
    const auto left = meter.TimeLeft(kTotal);
    ASSERT_TRUE(left);
    const double real = static_cast<double>(kTotal - done) / 1020 * (1024 / kRate + 0.004);
    EXPECT_NEAR(static_cast<double>(left->count()) / 1000, real, real / 10 + 0.01) << done;
  }
}

}  // namespace
}  // namespace tuneflash::testing
