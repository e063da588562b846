// The signals that stop a run: Ctrl-C (SIGINT), a service manager's SIGTERM
// and a closed terminal's SIGHUP. While the object lives they are blocked and
// delivered to a descriptor, read by whoever waits on it; no work is done in
// a handler. Threads started meanwhile inherit the mask, so only the waiting
// thread hears them.
#pragma once

#include <chrono>

namespace tuneflash::cli {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // True once a stop signal has arrived (checks without waiting).
  bool Arrived();
  // Waits up to `limit` for a stop signal; true when one arrived.
  bool WaitFor(std::chrono::milliseconds limit);
  // The exit code a run stopped by the signal ends with: 128 + its number
  // (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
  int ExitCode() const { return 128 + signal_; }

 private:
  int fd_ = -1;
  int signal_ = 0;  // the first one that arrived; 0 for none
};

}  // namespace tuneflash::cli
