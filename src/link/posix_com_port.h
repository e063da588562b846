// The serial port on POSIX termios: a tty device (a UART, a USB adapter or
// the pseudo-terminal of a simulated box) opened exclusively at 115200 8E1.
// A device that goes away (EIO, ENXIO, ENODEV, a hang-up) closes the port and
// fails the operation that noticed it with PortGone.
#pragma once

#include <string>

#include "link/com_port.h"

namespace tuneflash {

class PosixComPort final : public ComPort {
 public:
  PosixComPort() = default;
  ~PosixComPort() override;
  PosixComPort(const PosixComPort&) = delete;
  PosixComPort& operator=(const PosixComPort&) = delete;

  LinkStatus OpenComPort(const std::string& device) override;
  void CloseComPort() override;
  LinkStatus PurgeComPort() override;
  LinkStatus WriteComPort(ByteSpan frame) override;
  LinkResult<bool> ReadComPort(MutableByteSpan dest) override;
  bool PortOpen() const override { return open_; }
  LinkStatus WaitForInput(std::size_t expected, std::chrono::microseconds limit) override;
  const std::string& DeviceName() const override { return device_; }

  // Bytes queued in the input, or -1 when the port is closed.
  int QueuedInput() const;

 private:
  LinkResult<int> CountQueued();
  LinkStatus WaitWritable(int timeoutMs);
  LinkStatus Drain(std::chrono::steady_clock::time_point deadline);
  LinkStatus Configure();
  LinkFailure Failure(FailureCause cause, std::string detail = {}) const;
  LinkFailure OpenFailure(const std::string& what, int error) const;
  // A failed call with `error`: the device went away (the port is closed)
  // or another failure of `cause`.
  LinkFailure CallFailed(int error, FailureCause cause);
  LinkFailure Gone();

  int fd_ = -1;
  bool open_ = false;
  std::string device_;
};

}  // namespace tuneflash
