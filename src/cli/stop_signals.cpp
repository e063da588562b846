// Stop signals through a signalfd.
#include "cli/stop_signals.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

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
  fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

StopSignals::~StopSignals() {
  if (fd_ >= 0) ::close(fd_);
  const sigset_t set = StopSet();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool StopSignals::Arrived() {
  return WaitFor(std::chrono::milliseconds(0));
}

bool StopSignals::WaitFor(std::chrono::milliseconds limit) {
  if (signal_ != 0 || fd_ < 0) return signal_ != 0;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(limit.count())) > 0) {
    signalfd_siginfo info{};
    if (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
      signal_ = static_cast<int>(info.ssi_signo);
  }
  return signal_ != 0;
}

}  // namespace tuneflash::cli
