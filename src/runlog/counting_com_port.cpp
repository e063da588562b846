// Counting what crosses the line.
#include "runlog/counting_com_port.h"

#include <algorithm>

#include "link/link_frames.h"

namespace tuneflash {

LinkStatus CountingComPort::OpenComPort(const std::string& device) {
  inner_.SetPortLabel(PortLabel());
  auto opened = inner_.OpenComPort(device);
  NotifyState(opened.has_value());
  return opened;
}

void CountingComPort::CloseComPort() {
  const bool wasOpen = inner_.PortOpen();
  inner_.CloseComPort();
  if (wasOpen) NotifyState(false);
}

LinkStatus CountingComPort::WriteComPort(ByteSpan frame) {
  auto written = inner_.WriteComPort(frame);
  if (!written) return written;
  counts_.bytesSent += frame.size();
  if (frame.size() == 1) {
    if (frame[0] == kNak) ++counts_.naks;
  } else if (std::equal(frame.begin(), frame.end(), lastFrame_.begin(), lastFrame_.end())) {
    ++counts_.resends;
  }
  lastFrame_.assign(frame.begin(), frame.end());
  return written;
}

LinkResult<bool> CountingComPort::ReadComPort(MutableByteSpan dest) {
  auto read = inner_.ReadComPort(dest);
  if (read && *read) {
    counts_.bytesReceived += dest.size();
    if (dest.size() == 1 && dest[0] == kNak) ++counts_.naks;
  }
  return read;
}

LineCounts CountsBetween(const LineCounts& before, const LineCounts& after) {
  return LineCounts{after.bytesSent - before.bytesSent, after.bytesReceived - before.bytesReceived,
                    after.naks - before.naks, after.resends - before.resends};
}

}  // namespace tuneflash
