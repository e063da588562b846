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

  bool OpenComPort(const std::string& device) override;
  void CloseComPort() override;
  bool PurgeComPort() override { return inner_.PurgeComPort(); }
  int WriteComPort(ByteSpan frame) override;
  int ReadComPort(MutableByteSpan dest) override;
  bool PortOpen() const override { return inner_.PortOpen(); }
  void WaitForInput(std::size_t expected, std::chrono::microseconds limit) override {
    inner_.WaitForInput(expected, limit);
  }
  const std::string& DeviceName() const override { return inner_.DeviceName(); }
  const std::string& LastError() const override { return inner_.LastError(); }

 private:
  ComPort& inner_;
  std::ostream& out_;
  std::string side_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace tuneflash
