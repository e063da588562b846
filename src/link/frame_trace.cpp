// The hex dump of one frame.
#include "link/frame_trace.h"

#include <cstdio>

namespace tuneflash {

std::string FormatFrameTrace(std::chrono::steady_clock::duration sinceStart, std::string_view direction,
                             ByteSpan frame) {
  const double seconds = std::chrono::duration<double>(sinceStart).count();
  char head[96];
  std::snprintf(head, sizeof head, "[%12.6f] %.*s %zu bytes:", seconds, static_cast<int>(direction.size()),
                direction.data(), frame.size());
  std::string out = head;
  constexpr std::size_t kPerLine = 16;
  const bool multiLine = frame.size() > kPerLine;
  for (std::size_t i = 0; i < frame.size(); ++i) {
    if (multiLine && i % kPerLine == 0) {
      char offset[32];
      std::snprintf(offset, sizeof offset, "\n    %04zx:", i);
      out += offset;
    }
    char byte[4];
    std::snprintf(byte, sizeof byte, " %02X", frame[i]);
    out += byte;
  }
  out += '\n';
  return out;
}

}  // namespace tuneflash
