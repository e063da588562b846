// The serial port on POSIX termios: a tty device (a UART, a USB adapter or
// the pseudo-terminal of a simulated box) opened exclusively at 115200 8E1.
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

  bool OpenComPort(const std::string& device) override;
  void CloseComPort() override;
  bool PurgeComPort() override;
  int WriteComPort(ByteSpan frame) override;
  int ReadComPort(MutableByteSpan dest) override;
  bool PortOpen() const override { return open_; }
  void WaitForInput(std::size_t expected, std::chrono::microseconds limit) override;
  const std::string& DeviceName() const override { return device_; }
  const std::string& LastError() const override { return lastError_; }

  // Bytes queued in the input, or -1 when the port is closed.
  int QueuedInput() const;

 private:
  bool Configure();
  bool Fail(const std::string& what, int error);

  int fd_ = -1;
  bool open_ = false;
  std::string device_;
  std::string lastError_;
};

}  // namespace tuneflash
