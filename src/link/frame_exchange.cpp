// Send, await the reply, send again.
#include "link/frame_exchange.h"

#include "link/link_frames.h"

namespace tuneflash {

LinkStatus SendAcknowledged(ComPort& port, RunObserver& observer, ByteSpan frame, const LinkTiming& timing,
                            std::optional<std::uint8_t>& lastReply, ExchangeLimit limit) {
  int misses = 0;
  int sends = 0;
  int refusals = 0;  // NAKs of this frame, however many times it went
  LinkFailure lastMiss;
  const auto refusedText = [&] {
    return "no ACK after " + std::to_string(sends) + " sends, " + std::to_string(refusals) +
           " of them refused";
  };
  while (misses < limit.maxMisses) {
    if (auto sent = port.WriteComPort(frame); !sent) return sent.error();
    ++sends;
    const auto reply = WaitReply(port, observer, timing.replyPolls, timing);
    if (reply) {
      lastReply = *reply;
      if (*reply == kAck) return LinkOk();
      if (*reply == kNak) ++refusals;
      lastMiss = LinkFailure{};
      lastMiss.cause = *reply == kNak ? FailureCause::NakLimit : FailureCause::NoReply;
      lastMiss.device = port.DeviceName();
    } else if (reply.error().cause == FailureCause::NoReply) {
      lastMiss = reply.error();
    } else {
      // The port, or the time limit: refusals meanwhile make it no progress.
      return NoProgressIfNotSilent(reply.error(), refusals > 0, refusedText());
    }
    misses = limit.refusalsUnlimited ? 1 : misses + 1;
    if (auto late = CheckProgress(timing, port, refusedText())) return *late;
    if (misses < limit.maxMisses) {
      observer.OnEvent(limit.refusalsUnlimited ? Retrying{lastMiss.cause, sends, 0}
                                               : Retrying{lastMiss.cause, misses, limit.maxMisses});
    }
  }
  if (lastMiss.cause == FailureCause::NoReply)
    lastMiss.detail =
        "after " + std::to_string(timing.replyPolls) + " polls, " + std::to_string(misses) + " times";
  return lastMiss;
}

}  // namespace tuneflash
