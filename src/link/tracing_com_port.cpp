// Hex dumps of the frames that pass through a port.
#include "link/tracing_com_port.h"

#include "link/frame_trace.h"

namespace tuneflash {

TracingComPort::TracingComPort(ComPort& inner, std::ostream& out, std::string side)
    : inner_(inner), out_(out), side_(std::move(side)), start_(std::chrono::steady_clock::now()) {}

LinkStatus TracingComPort::OpenComPort(const std::string& device) {
  inner_.SetPortLabel(PortLabel());
  auto ok = inner_.OpenComPort(device);
  NotifyState(ok.has_value());
  return ok;
}

void TracingComPort::CloseComPort() {
  const bool wasOpen = inner_.PortOpen();
  inner_.CloseComPort();
  if (wasOpen) NotifyState(false);
}

LinkStatus TracingComPort::WriteComPort(ByteSpan frame) {
  auto result = Watch(inner_.WriteComPort(frame));
  out_ << FormatFrameTrace(std::chrono::steady_clock::now() - start_, side_ + ">",
                           result ? frame : frame.first(0))
       << std::flush;
  return result;
}

LinkResult<bool> TracingComPort::ReadComPort(MutableByteSpan dest) {
  auto result = Watch(inner_.ReadComPort(dest));
  if (result && *result) {
    out_ << FormatFrameTrace(std::chrono::steady_clock::now() - start_, side_ + "<", dest) << std::flush;
  }
  return result;
}

LinkStatus TracingComPort::WaitForInput(std::size_t expected, std::chrono::microseconds limit) {
  return Watch(inner_.WaitForInput(expected, limit));
}

template <typename T>
LinkResult<T> TracingComPort::Watch(LinkResult<T> result) {
  if (!result && result.error().cause == FailureCause::PortGone) {
    out_ << "# " << DescribeFailure(result.error()) << "\n" << std::flush;
    NotifyState(false);
  }
  return result;
}

}  // namespace tuneflash
