// The serial port on Win32: "COM1".."COM256" (or a "\\.\" device path)
// opened exclusively at 115200 8E1. Writes end when the bytes have left
// (WriteFile, then FlushFileBuffers). A device that goes away (a pulled USB
// adapter, a hung-up line) makes ClearCommError fail while ReadFile keeps
// returning nothing, so every read and wait asks ClearCommError first; its
// failure closes the port and fails the operation with PortGone, naming the
// port.
#pragma once

#include <string>

#include "link/com_port.h"

namespace tuneflash {

class Win32ComPort final : public ComPort {
 public:
  Win32ComPort() = default;
  ~Win32ComPort() override;
  Win32ComPort(const Win32ComPort&) = delete;
  Win32ComPort& operator=(const Win32ComPort&) = delete;

  LinkStatus OpenComPort(const std::string& device) override;
  void CloseComPort() override;
  LinkStatus PurgeComPort() override;
  LinkStatus WriteComPort(ByteSpan frame) override;
  LinkResult<bool> ReadComPort(MutableByteSpan dest) override;
  bool PortOpen() const override { return open_; }
  LinkStatus WaitForInput(std::size_t expected, std::chrono::microseconds limit) override;
  const std::string& DeviceName() const override { return device_; }

 private:
  LinkResult<std::size_t> CountQueued();
  LinkStatus Configure();
  LinkFailure Failure(FailureCause cause, std::string detail = {}) const;
  LinkFailure OpenFailure(const std::string& what) const;
  // A failed call: PortGone when the device went away (the port is then
  // closed), otherwise a failure of `cause` with Windows' text for `error`.
  LinkFailure CallFailed(unsigned long error, FailureCause cause);
  LinkFailure Gone();

  void* handle_ = nullptr;  // a HANDLE; nullptr while closed
  bool open_ = false;
  std::string device_;
};

}  // namespace tuneflash
