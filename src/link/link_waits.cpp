// Reply bytes, status frames and the polling waits of the link.
#include "link/link_waits.h"

#include <array>

#include "link/link_frames.h"
#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

bool SendByte(ComPort& port, std::uint8_t byte) {
  const std::array<std::uint8_t, 1> frame{byte};
  return port.WriteComPort(frame) != 1;
}

}  // namespace

bool SendAck(ComPort& port) {
  return SendByte(port, kAck);
}
bool SendNak(ComPort& port) {
  return SendByte(port, kNak);
}

bool SendStatusFrame(ComPort& port, int status) {
  const auto frame = MakeStatusFrame(status);
  if (!frame) return true;
  return port.WriteComPort(*frame) != static_cast<int>(frame->size());
}

PollResult PollForFrame(ComPort& port, RunObserver& observer, MutableByteSpan dest,
                        std::optional<std::uint8_t> first, int polls, std::chrono::microseconds period) {
  for (int i = 0; polls < 0 || i < polls; ++i) {
    observer.Pump();
    if (!port.PortOpen()) return PollResult::Closed;
    if (port.ReadComPort(dest) == static_cast<int>(dest.size()) && (!first || dest[0] == *first)) {
      return PollResult::Read;
    }
    port.WaitForInput(dest.size(), period);
  }
  return PollResult::Missed;
}

std::uint8_t WaitReply(ComPort& port, RunObserver& observer, int polls, const LinkTiming& timing) {
  std::array<std::uint8_t, 1> byte{};
  for (int i = 0; i < polls; ++i) {
    observer.Pump();
    if (!port.PortOpen()) return 0;
    if (port.ReadComPort(byte) == 1) {
      if (byte[0] == kAck || byte[0] == kNak || byte[0] == kFrameStart) return byte[0];
      continue;  // noise: dropped, the wait goes on
    }
    port.WaitForInput(1, timing.pollPeriod);
  }
  return 0;
}

int WaitStatusFrame(ComPort& port, RunObserver& observer, const LinkTiming& timing) {
  StatusFrame frame{};
  if (PollForFrame(port, observer, frame, kFrameStart, -1, timing.idlePollPeriod) != PollResult::Read)
    return -1;
  return StatusOfReceivedFrame(frame);
}

bool ConnectBox(ComPort& port, RunObserver& observer, const LinkTiming& timing) {
  return WaitStatusFrame(port, observer, timing) == kConnecting;
}

}  // namespace tuneflash
