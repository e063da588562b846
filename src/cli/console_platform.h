// What the console gives a run: the interrupt that stops it (SIGINT on POSIX,
// Ctrl-C or Ctrl-Break on Windows), and whether output goes to a terminal.
// console_platform_posix.cpp and console_platform_win32.cpp define them.
#pragma once

#include <chrono>
#include <cstdint>

namespace tuneflash::cli {

// The interrupt caught (not acted on by the system) for as long as the
// object lives: on POSIX SIGINT is blocked and delivered to a descriptor; on
// Windows a console control handler sets an event.
class InterruptSignal {
 public:
  InterruptSignal();
  ~InterruptSignal();
  InterruptSignal(const InterruptSignal&) = delete;
  InterruptSignal& operator=(const InterruptSignal&) = delete;

  // True once the interrupt has arrived (checks without waiting).
  bool Arrived();
  // Waits up to `limit` for the interrupt; true when it arrived.
  bool WaitFor(std::chrono::milliseconds limit);

 private:
  std::intptr_t handle_ = -1;  // the signal descriptor, or the event's HANDLE; -1 for none
  bool arrived_ = false;
};

// True when standard output is a terminal that shows the progress bar (on
// Windows a console, switched to escape sequences).
bool StdoutIsTerminal();

}  // namespace tuneflash::cli
