// The serial port as the protocol sees it: open/close, purge, a write of a
// whole frame that returns once the bytes have left, and a read that never
// waits and only takes input when exactly the expected number of bytes is
// queued. POSIX implements it (PosixComPort); a Win32 port or a tracing
// wrapper fit behind the same interface. Every operation returns a
// LinkResult whose failure says why (closed, gone, stalled, too long).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "dld/bytes.h"
#include "run/link_failure.h"

namespace tuneflash {

// Largest frame either primitive accepts.
inline constexpr std::size_t kMaxComFrame = 2048;

class ComPort {
 public:
  // Called with the new state whenever the port opens or closes (the window's lamp).
  using StateListener = std::function<void(bool open)>;

  virtual ~ComPort() = default;

  // Closes an open port first, then opens `device` exclusively, sets 115200
  // 8E1 and discards unread input. On failure the port is closed and the
  // failure (OpenFailed) says which device, why, and what helps.
  virtual LinkStatus OpenComPort(const std::string& device) = 0;

  // Closes the port if it is open. Every primitive fails with PortClosed
  // afterwards, and every wait of the link ends at its next poll.
  virtual void CloseComPort() = 0;

  // Discards unread input. Output is never queued: a write ends when its
  // bytes have left.
  virtual LinkStatus PurgeComPort() = 0;

  // Purges first, whatever follows; then writes the whole frame and returns
  // once it has left the PC (or fails: FrameTooLong above kMaxComFrame,
  // WriteStalled when it does not leave within 2 s, PortClosed, PortGone).
  virtual LinkStatus WriteComPort(ByteSpan frame) = 0;

  // Never waits. True (and dest filled) when exactly dest.size() bytes were
  // queued; false otherwise. Fewer queued: they stay queued. More queued: all
  // input is purged. Fails when dest exceeds kMaxComFrame or the port is
  // closed or gone.
  virtual LinkResult<bool> ReadComPort(MutableByteSpan dest) = 0;

  // True between a successful OpenComPort and the next CloseComPort.
  virtual bool PortOpen() const = 0;

  // Waits at most `limit` for `expected` bytes to be queued, returning early
  // when they are (or when the port is closed or a signal arrives). A wait
  // loop calls it after a missed read instead of a bare sleep, so a silent
  // line costs no CPU and an answer is seen at once. A device that went away
  // closes the port and fails with PortGone.
  virtual LinkStatus WaitForInput(std::size_t expected, std::chrono::microseconds limit) = 0;

  // The device of the last OpenComPort.
  virtual const std::string& DeviceName() const = 0;

  // The name a person chose the port by ("COM.03"), used in failure texts.
  void SetPortLabel(std::string label) { label_ = std::move(label); }
  const std::string& PortLabel() const { return label_; }

  void SetStateListener(StateListener listener) { stateListener_ = std::move(listener); }

 protected:
  void NotifyState(bool open) {
    if (stateListener_) stateListener_(open);
  }

 private:
  StateListener stateListener_;
  std::string label_;
};

}  // namespace tuneflash
