// The link's primitives: reply bytes and status frames out, and the polling
// waits for a reply byte, a status frame and the box's hello. Every wait
// pumps the observer before each poll and ends at once when the port has been
// closed or went away; after a missed poll it waits on the port for up to one
// poll period, so a silent or broken line never spins a core.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "link/com_port.h"
#include "run/link_failure.h"
#include "run/run_observer.h"

namespace tuneflash {

// Poll limits and poll periods. The defaults are the product's; tests shrink
// the limited waits so that a silent box costs them milliseconds, not minutes.
struct LinkTiming {
  int replyPolls = 5000;   // a reply byte (WaitReply)
  int recordPolls = 1001;  // a header or partition record from the box
  int blockPolls = 501;    // a data block from the box
  // Longest wait after a missed poll of a limited wait.
  std::chrono::microseconds pollPeriod{1000};
  // Longest wait after a missed poll of the waits without a limit (the hello
  // and the status frames); arriving bytes end it at once. The observer is
  // pumped between two such waits, so this bounds how long a click waits.
  std::chrono::microseconds idlePollPeriod{20000};
  // When set, any single wait that hears nothing it takes for this long
  // fails with FailureCause::Silent (--timeout); otherwise only the poll
  // limits end the limited waits and the others wait for ever.
  std::optional<std::chrono::milliseconds> silenceLimit;
  // Set by a sequence while it runs with a silence limit: the box must move
  // the job on (MarkProgress) before this time, whatever it sends meanwhile.
  // A wait that reaches it fails with FailureCause::Silent.
  std::optional<std::chrono::steady_clock::time_point> progressDeadline;
};

// The box moved the job on: with a silence limit, the next progress is due
// that long from now.
void MarkProgress(LinkTiming& timing);

// NoProgress when the progress deadline has passed; `what` says what the
// box did meanwhile ("refused the frame 12 times").
std::optional<LinkFailure> CheckProgress(const LinkTiming& timing, const ComPort& port,
                                         const std::string& what);

// A wait that ran into the time limit after the box had sent something that
// did not move the job on is NoProgress, not silence; other failures pass.
LinkFailure NoProgressIfNotSilent(LinkFailure failure, bool boxAnswered, const std::string& what);

// The reply bytes and status frames the PC sends.
LinkStatus SendAck(ComPort& port);
LinkStatus SendNak(ComPort& port);
// Fails with Other for a status without a frame.
LinkStatus SendStatusFrame(ComPort& port, int status);

// Up to `polls` polls for one byte. 0x06, 0x15 or 0x02 ends the wait and is
// returned; any other byte is dropped. NoReply when none came.
LinkResult<std::uint8_t> WaitReply(ComPort& port, RunObserver& observer, int polls,
                                   const LinkTiming& timing = {});

// Polls without a limit (but the silence limit) for 4 bytes starting with
// 0x02 and returns their status index (-1 for a code without one). Other
// 4-byte arrivals are dropped.
LinkResult<int> WaitStatusFrame(ComPort& port, RunObserver& observer, const LinkTiming& timing = {});

// Waits for the first status frame; ConnectFailed when it is not the box's
// hello.
LinkStatus ConnectBox(ComPort& port, RunObserver& observer, const LinkTiming& timing = {});

// The wait of the records and blocks the box sends: up to `polls` polls (no
// limit when negative), each a pump, a test of the port and a read of exactly
// dest.size() bytes, kept only when its first byte is `first`. True when one
// was read, false when the polls ran out.
LinkResult<bool> PollForFrame(ComPort& port, RunObserver& observer, MutableByteSpan dest,
                              std::optional<std::uint8_t> first, int polls, std::chrono::microseconds period,
                              const LinkTiming& timing = {});

}  // namespace tuneflash
