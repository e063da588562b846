// The serial port as the protocol sees it: open/close, purge, a write of a
// whole frame and a read that never waits and only succeeds when exactly the
// expected number of bytes is queued. POSIX implements it (PosixComPort); a
// Win32 port or a tracing wrapper fit behind the same interface.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "dld/bytes.h"

namespace tuneflash {

// Largest frame either primitive accepts.
inline constexpr std::size_t kMaxComFrame = 2048;

class ComPort {
 public:
  // Called with the new state whenever the port opens or closes (the window's lamp).
  using StateListener = std::function<void(bool open)>;

  virtual ~ComPort() = default;

  // Closes an open port first, then opens `device` exclusively, sets 115200
  // 8E1 and purges both queues. On failure the port is closed, false is
  // returned and LastError() names the device and the cause.
  virtual bool OpenComPort(const std::string& device) = 0;

  // Closes the port if it is open. Every primitive returns -1 afterwards, and
  // every wait of the link ends at its next poll.
  virtual void CloseComPort() = 0;

  // Discards both queues (unread input, unsent output). Returns true when the
  // driver refused (or the port is closed).
  virtual bool PurgeComPort() = 0;

  // Purges first, whatever follows; then writes the whole frame. Returns the
  // number of bytes written, or -1 when the frame exceeds kMaxComFrame or the
  // port is closed. Callers count anything other than frame.size() as failure.
  virtual int WriteComPort(ByteSpan frame) = 0;

  // Never waits. Returns dest.size() and fills dest when exactly that many
  // bytes are queued; -1 otherwise. Fewer queued: they stay queued. More
  // queued: all input is purged. -1 also when dest exceeds kMaxComFrame or the
  // port is closed.
  virtual int ReadComPort(MutableByteSpan dest) = 0;

  // True between a successful OpenComPort and the next CloseComPort.
  virtual bool PortOpen() const = 0;

  // Waits at most `limit` for `expected` bytes to be queued, returning early
  // when they are (or when the port is closed or a signal arrives). A wait
  // loop calls it after a missed read instead of a bare sleep, so a silent
  // line costs no CPU and an answer is seen at once.
  virtual void WaitForInput(std::size_t expected, std::chrono::microseconds limit) = 0;

  // The device of the last OpenComPort, and what went wrong last.
  virtual const std::string& DeviceName() const = 0;
  virtual const std::string& LastError() const = 0;

  void SetStateListener(StateListener listener) { stateListener_ = std::move(listener); }

 protected:
  void NotifyState(bool open) {
    if (stateListener_) stateListener_(open);
  }

 private:
  StateListener stateListener_;
};

}  // namespace tuneflash
