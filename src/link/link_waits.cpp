// Reply bytes, status frames and the polling waits of the link.
#include "link/link_waits.h"

#include <algorithm>
#include <array>
#include <string>

#include "link/link_frames.h"
#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

using Clock = std::chrono::steady_clock;

LinkStatus SendByte(ComPort& port, std::uint8_t byte) {
  const std::array<std::uint8_t, 1> frame{byte};
  return port.WriteComPort(frame);
}

std::string LimitText(std::chrono::milliseconds limit) {
  const auto ms = limit.count();
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// The silence limit of one wait, counted from its start, or the progress
// deadline of the sequence when that comes first.
class SilenceWatch {
 public:
  explicit SilenceWatch(const LinkTiming& timing)
      : deadline_(timing.silenceLimit ? std::optional(Clock::now() + *timing.silenceLimit) : std::nullopt),
        limit_(timing.silenceLimit) {
    if (deadline_ && timing.progressDeadline) deadline_ = std::min(*deadline_, *timing.progressDeadline);
  }

  std::optional<LinkFailure> Check(const ComPort& port) const {
    if (!deadline_ || Clock::now() < *deadline_) return std::nullopt;
    LinkFailure f;
    f.cause = FailureCause::Silent;
    f.device = port.DeviceName();
    f.detail = LimitText(*limit_);
    return f;
  }

 private:
  std::optional<Clock::time_point> deadline_;
  std::optional<std::chrono::milliseconds> limit_;
};

LinkFailure Closed(const ComPort& port) {
  LinkFailure f;
  f.cause = FailureCause::PortClosed;
  f.device = port.DeviceName();
  return f;
}

}  // namespace

void MarkProgress(LinkTiming& timing) {
  if (timing.silenceLimit) timing.progressDeadline = Clock::now() + *timing.silenceLimit;
}

std::optional<LinkFailure> CheckProgress(const LinkTiming& timing, const ComPort& port,
                                         const std::string& what) {
  if (!timing.progressDeadline || !timing.silenceLimit || Clock::now() < *timing.progressDeadline)
    return std::nullopt;
  LinkFailure f;
  f.cause = FailureCause::NoProgress;
  f.device = port.DeviceName();
  f.detail = LimitText(*timing.silenceLimit) + "; " + what;
  return f;
}

LinkFailure NoProgressIfNotSilent(LinkFailure failure, bool boxAnswered, const std::string& what) {
  if (failure.cause != FailureCause::Silent || !boxAnswered) return failure;
  failure.cause = FailureCause::NoProgress;
  failure.detail += "; " + what;
  return failure;
}

LinkStatus SendAck(ComPort& port) {
  return SendByte(port, kAck);
}
LinkStatus SendNak(ComPort& port) {
  return SendByte(port, kNak);
}

LinkStatus SendStatusFrame(ComPort& port, int status) {
  const auto frame = MakeStatusFrame(status);
  if (!frame) {
    LinkFailure f;
    f.detail = "status " + std::to_string(status) + " has no frame";
    return f;
  }
  return port.WriteComPort(*frame);
}

LinkResult<bool> PollForFrame(ComPort& port, RunObserver& observer, MutableByteSpan dest,
                              std::optional<std::uint8_t> first, int polls, std::chrono::microseconds period,
                              const LinkTiming& timing) {
  const SilenceWatch silence(timing);
  for (int i = 0; polls < 0 || i < polls; ++i) {
    observer.Pump();
    if (!port.PortOpen()) return Closed(port);
    const auto read = port.ReadComPort(dest);
    if (!read) return read.error();
    if (*read && (!first || dest[0] == *first)) return true;
    if (auto silent = silence.Check(port)) return *silent;
    if (auto waited = port.WaitForInput(dest.size(), period); !waited) return waited.error();
  }
  return false;
}

LinkResult<std::uint8_t> WaitReply(ComPort& port, RunObserver& observer, int polls,
                                   const LinkTiming& timing) {
  const SilenceWatch silence(timing);
  std::array<std::uint8_t, 1> byte{};
  for (int i = 0; i < polls; ++i) {
    observer.Pump();
    if (!port.PortOpen()) return Closed(port);
    const auto read = port.ReadComPort(byte);
    if (!read) return read.error();
    if (*read) {
      if (byte[0] == kAck || byte[0] == kNak || byte[0] == kFrameStart) return byte[0];
      continue;  // noise: dropped, the wait goes on
    }
    if (auto silent = silence.Check(port)) return *silent;
    if (auto waited = port.WaitForInput(1, timing.pollPeriod); !waited) return waited.error();
  }
  LinkFailure f;
  f.cause = FailureCause::NoReply;
  f.device = port.DeviceName();
  f.detail = "after " + std::to_string(polls) + " polls";
  return f;
}

LinkResult<int> WaitStatusFrame(ComPort& port, RunObserver& observer, const LinkTiming& timing) {
  StatusFrame frame{};
  const auto got = PollForFrame(port, observer, frame, kFrameStart, -1, timing.idlePollPeriod, timing);
  if (!got) return got.error();
  return StatusOfReceivedFrame(frame);
}

LinkStatus ConnectBox(ComPort& port, RunObserver& observer, const LinkTiming& timing) {
  auto status = WaitStatusFrame(port, observer, timing);
  if (!status) {
    status.error().phase = LinkPhase::Hello;
    return status.error();
  }
  if (*status == kConnecting) return LinkOk();
  LinkFailure f;
  f.cause = FailureCause::ConnectFailed;
  f.phase = LinkPhase::Hello;
  f.device = port.DeviceName();
  f.detail = "status " + std::to_string(*status) + " came first";
  return f;
}

}  // namespace tuneflash
