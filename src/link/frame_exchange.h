// The step download and upload share: send a frame, wait for the box's
// reply, and send it again while the box refuses it or stays silent, within
// a limit of misses in a row.
#pragma once

#include <cstdint>
#include <optional>

#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/run_observer.h"

namespace tuneflash {

// Frames a box may refuse this many times in a row before the step fails.
inline constexpr int kMaxMisses = 10;

struct ExchangeLimit {
  int maxMisses = kMaxMisses;
  // A refusal (NAK or silence) counts as one miss however many came before:
  // the frame goes again for as long as the box refuses it (the header).
  bool refusalsUnlimited = false;
};

// Sends `frame` until the box answers ACK. Fails with the port's failure at
// once, or after `limit` misses with NakLimit (the last answer was NAK) or
// NoReply. `lastReply` is updated with every reply byte seen.
LinkStatus SendAcknowledged(ComPort& port, RunObserver& observer, ByteSpan frame, const LinkTiming& timing,
                            std::optional<std::uint8_t>& lastReply, ExchangeLimit limit = {});

}  // namespace tuneflash
