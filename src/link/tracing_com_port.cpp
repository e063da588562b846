// Hex dumps of the frames that pass through a port.
#include "link/tracing_com_port.h"

#include "link/frame_trace.h"

namespace tuneflash {

TracingComPort::TracingComPort(ComPort& inner, std::ostream& out, std::string side)
    : inner_(inner), out_(out), side_(std::move(side)), start_(std::chrono::steady_clock::now()) {}

bool TracingComPort::OpenComPort(const std::string& device) {
  const bool ok = inner_.OpenComPort(device);
  NotifyState(ok);
  return ok;
}

void TracingComPort::CloseComPort() {
  const bool wasOpen = inner_.PortOpen();
  inner_.CloseComPort();
  if (wasOpen) NotifyState(false);
}

int TracingComPort::WriteComPort(ByteSpan frame) {
  const int n = inner_.WriteComPort(frame);
  out_ << FormatFrameTrace(std::chrono::steady_clock::now() - start_, side_ + ">",
                           frame.first(n > 0 ? static_cast<std::size_t>(n) : 0))
       << std::flush;
  return n;
}

int TracingComPort::ReadComPort(MutableByteSpan dest) {
  const int n = inner_.ReadComPort(dest);
  if (n > 0) {
    out_ << FormatFrameTrace(std::chrono::steady_clock::now() - start_, side_ + "<",
                             ByteSpan(dest.data(), static_cast<std::size_t>(n)))
         << std::flush;
  }
  return n;
}

}  // namespace tuneflash
