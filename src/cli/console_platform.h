// What the console gives a run: the signals that stop it, and whether output
// goes to a terminal. console_platform_posix.cpp and console_platform_win32.cpp
// define them.
#pragma once

#include <chrono>
#include <cstdint>

namespace tuneflash::cli {

// The signals that stop a run, caught (not acted on by the system) for as
// long as the object lives: on POSIX Ctrl-C (SIGINT), a service manager's
// SIGTERM and a closed terminal's SIGHUP are blocked and delivered to a
// descriptor, read by whoever waits on it, with no work in a handler; threads
// started meanwhile inherit the mask, so only the waiting thread hears them.
// On Windows a console control handler for Ctrl-C and Ctrl-Break sets an event.
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
  std::intptr_t handle_ = -1;  // the signal descriptor, or the event's HANDLE; -1 for none
  int signal_ = 0;             // the first one that arrived; 0 for none
};

// True when standard output is a terminal that shows the progress bar (on
// Windows a console, switched to escape sequences).
bool StdoutIsTerminal();

}  // namespace tuneflash::cli
