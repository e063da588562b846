// Stop signals and the terminal on POSIX: SIGINT, SIGTERM and SIGHUP
// through a signalfd.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "cli/console_platform.h"

namespace tuneflash::cli {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

StopSignals::StopSignals() {
  const sigset_t set = StopSet();
  sigprocmask(SIG_BLOCK, &set, nullptr);
  // An ignored SIGINT would never reach the descriptor (a shell starts
  // background jobs that way); blocked, the default action never runs. An
  // ignored SIGHUP (nohup) or SIGTERM stays ignored, as its starter wants.
  ::signal(SIGINT, SIG_DFL);
  handle_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

StopSignals::~StopSignals() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  const sigset_t set = StopSet();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool StopSignals::Arrived() {
  return WaitFor(std::chrono::milliseconds(0));
}

bool StopSignals::WaitFor(std::chrono::milliseconds limit) {
  if (signal_ != 0 || handle_ < 0) return signal_ != 0;
  pollfd p{static_cast<int>(handle_), POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(limit.count())) > 0) {
    signalfd_siginfo info{};
    if (::read(static_cast<int>(handle_), &info, sizeof info) == static_cast<ssize_t>(sizeof info))
      signal_ = static_cast<int>(info.ssi_signo);
  }
  return signal_ != 0;
}

bool StdoutIsTerminal() {
  return ::isatty(STDOUT_FILENO) != 0;
}

}  // namespace tuneflash::cli
