// Send, await the reply, send again.
#include "link/frame_exchange.h"

#include "link/link_frames.h"

namespace tuneflash {

LinkStatus SendAcknowledged(ComPort& port, RunObserver& observer, ByteSpan frame, const LinkTiming& timing,
                            std::optional<std::uint8_t>& lastReply, ExchangeLimit limit) {
  int misses = 0;
  LinkFailure lastMiss;
  while (misses < limit.maxMisses) {
    if (auto sent = port.WriteComPort(frame); !sent) return sent.error();
    const auto reply = WaitReply(port, observer, timing.replyPolls, timing);
    if (reply) {
      lastReply = *reply;
      if (*reply == kAck) return LinkOk();
      lastMiss = LinkFailure{};
      lastMiss.cause = *reply == kNak ? FailureCause::NakLimit : FailureCause::NoReply;
      lastMiss.device = port.DeviceName();
    } else if (reply.error().cause == FailureCause::NoReply) {
      lastMiss = reply.error();
    } else {
      return reply.error();  // the port, or the silence limit
    }
    misses = limit.refusalsUnlimited ? 1 : misses + 1;
  }
  if (lastMiss.cause == FailureCause::NoReply)
    lastMiss.detail =
        "after " + std::to_string(timing.replyPolls) + " polls, " + std::to_string(misses) + " times";
  return lastMiss;
}

}  // namespace tuneflash
