// A port wrapper that hex-dumps every frame written and every frame read,
// each line stamped with the time since the wrapper was made (--trace).
#pragma once

#include <chrono>
#include <ostream>

#include "link/com_port.h"

namespace tuneflash {

class TracingComPort final : public ComPort {
 public:
  // `inner` and `out` must outlive the wrapper.
  TracingComPort(ComPort& inner, std::ostream& out, std::string side = "pc");

  LinkStatus OpenComPort(const std::string& device) override;
  void CloseComPort() override;
  LinkStatus PurgeComPort() override { return inner_.PurgeComPort(); }
  LinkStatus WriteComPort(ByteSpan frame) override;
  LinkResult<bool> ReadComPort(MutableByteSpan dest) override;
  bool PortOpen() const override { return inner_.PortOpen(); }
  LinkStatus WaitForInput(std::size_t expected, std::chrono::microseconds limit) override;
  const std::string& DeviceName() const override { return inner_.DeviceName(); }

 private:
  // Notes a device that went away in the trace and on the lamp.
  template <typename T>
  LinkResult<T> Watch(LinkResult<T> result);

  ComPort& inner_;
  std::ostream& out_;
  std::string side_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace tuneflash
