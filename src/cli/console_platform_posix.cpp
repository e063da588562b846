// Ctrl-C and the terminal on POSIX: SIGINT through a signalfd.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "cli/console_platform.h"

namespace tuneflash::cli {

InterruptSignal::InterruptSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  // An ignored signal would never reach the descriptor (a shell starts
  // background jobs that way); blocked, the default action never runs.
  ::signal(SIGINT, SIG_DFL);
  handle_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

InterruptSignal::~InterruptSignal() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool InterruptSignal::Arrived() {
  return WaitFor(std::chrono::milliseconds(0));
}

bool InterruptSignal::WaitFor(std::chrono::milliseconds limit) {
  if (arrived_ || handle_ < 0) return arrived_;
  pollfd p{static_cast<int>(handle_), POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(limit.count())) > 0) {
    signalfd_siginfo info{};
    arrived_ = ::read(static_cast<int>(handle_), &info, sizeof info) == static_cast<ssize_t>(sizeof info);
  }
  return arrived_;
}

bool StdoutIsTerminal() {
  return ::isatty(STDOUT_FILENO) != 0;
}

}  // namespace tuneflash::cli
