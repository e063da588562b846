// The serial port on POSIX termios.
#include "link/posix_com_port.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

#include "link/port_opening.h"

namespace tuneflash {
namespace {

using Clock = std::chrono::steady_clock;

// Longest a write waits for its frame to leave: a 2048-byte frame needs
// under 200 ms at 115200 bit/s.
constexpr auto kWriteLimit = std::chrono::milliseconds(2000);
// One character at 115200 8E1 takes about 95 us on the line.
constexpr auto kCharacterTime = std::chrono::microseconds(96);

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool IsPseudoTerminal(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  const unsigned m = major(st.st_rdev);
  return S_ISCHR(st.st_mode) && m >= 136 && m <= 143;
}

termios LineSettings(termios t) {
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, B115200);
  ::cfsetospeed(&t, B115200);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARODD | CRTSCTS);
  t.c_cflag |= CS8 | PARENB | CLOCAL | CREAD;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  return t;
}

// The settings that must have taken: speed, 8 bits, 1 stop bit, raw, and
// even parity unless `ignoreParity`.
bool SettingsTook(const termios& want, const termios& got, bool ignoreParity) {
  tcflag_t mask = CSIZE | CSTOPB | PARODD | PARENB;
  if (ignoreParity) mask &= ~static_cast<tcflag_t>(PARENB | PARODD);
  return (want.c_cflag & mask) == (got.c_cflag & mask) && ::cfgetispeed(&got) == B115200 &&
         ::cfgetospeed(&got) == B115200 && (got.c_lflag & (ICANON | ECHO)) == 0;
}

// The group that owns `device`, or "dialout" when it cannot be told.
std::string OwningGroup(const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return "dialout";
  std::array<char, 1024> buffer{};
  group entry{};
  group* found = nullptr;
  if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
    return "dialout";
  return found->gr_name;
}

// True for the errors that mean the device is no longer there.
bool IsDeviceGoneError(int error) {
  return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace

PosixComPort::~PosixComPort() {
  CloseComPort();
}

LinkFailure PosixComPort::Failure(FailureCause cause, std::string detail) const {
  LinkFailure f;
  f.cause = cause;
  f.device = device_;
  f.detail = std::move(detail);
  return f;
}

LinkFailure PosixComPort::OpenFailure(const std::string& what, int error) const {
  return Failure(
      FailureCause::OpenFailed,
      device_ + ": " + what + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
}

LinkFailure PosixComPort::Gone() {
  CloseComPort();
  return Failure(FailureCause::PortGone, WentAwayText(*this));
}

LinkFailure PosixComPort::CallFailed(int error, FailureCause cause) {
  if (IsDeviceGoneError(error)) return Gone();
  return Failure(cause, std::strerror(error));
}

LinkStatus PosixComPort::OpenComPort(const std::string& device) {
  CloseComPort();
  device_ = device;
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) return OpenFailure("does not exist", 0);
    if (error == EBUSY) return OpenFailure("is in use by another program", 0);
    if (error == EACCES || error == EPERM) {
      const std::string group = OwningGroup(device);
      return OpenFailure("permission denied; the user must be in the group '" + group +
                             "' that owns the device (sudo usermod -aG " + group +
                             " $USER, then log in again)",
                         0);
    }
    return OpenFailure("cannot open", error);
  }
  if (!::isatty(fd)) {
    ::close(fd);
    return OpenFailure("is not a serial device", 0);
  }
  // Exclusive: TIOCEXCL keeps other users out, the lock also keeps out a
  // second program running as root.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? OpenFailure("is in use by another program", 0)
                                : OpenFailure("cannot lock", error);
  }
  fd_ = fd;
  open_ = true;
  if (auto settled = SettleOpenedPort(*this, Configure()); !settled) return settled;
  NotifyState(true);
  return LinkOk();
}

LinkStatus PosixComPort::Configure() {
  termios current{};
  if (::tcgetattr(fd_, &current) != 0) return OpenFailure("cannot read the line settings", errno);
  const termios want = LineSettings(current);
  const bool pty = IsPseudoTerminal(fd_);
  if (::tcsetattr(fd_, TCSANOW, &want) != 0) {
    // A pseudo-terminal has no parity; it refuses a change of parity alone.
    termios withoutParity = want;
    withoutParity.c_cflag &= ~static_cast<tcflag_t>(PARENB);
    if (!pty || ::tcsetattr(fd_, TCSANOW, &withoutParity) != 0) {
      return OpenFailure("refuses 115200 8E1", errno);
    }
  }
  termios got{};
  if (::tcgetattr(fd_, &got) != 0) return OpenFailure("cannot read the line settings", errno);
  if (!SettingsTook(want, got, pty)) return OpenFailure("did not take 115200 8E1", 0);
  return LinkOk();
}

void PosixComPort::CloseComPort() {
  if (fd_ >= 0) {
    open_ = false;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    NotifyState(false);
  }
  open_ = false;
}

LinkStatus PosixComPort::PurgeComPort() {
  if (!open_) return Failure(FailureCause::PortClosed);
  if (::tcflush(fd_, TCIFLUSH) != 0) return CallFailed(errno, FailureCause::Other);
  return LinkOk();
}

int PosixComPort::QueuedInput() const {
  if (!open_) return -1;
  int queued = 0;
  if (::ioctl(fd_, FIONREAD, &queued) != 0) return -1;
  return queued;
}

LinkResult<int> PosixComPort::CountQueued() {
  if (!open_) return Failure(FailureCause::PortClosed);
  int queued = 0;
  if (::ioctl(fd_, FIONREAD, &queued) != 0) return CallFailed(errno, FailureCause::Other);
  return queued;
}

LinkStatus PosixComPort::WaitWritable(int timeoutMs) {
  pollfd p{fd_, POLLOUT, 0};
  const int ready = ::poll(&p, 1, std::max(timeoutMs, 1));
  if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Gone();
  return LinkOk();
}

// Waits until the driver's output queue is empty, then for the last
// character to leave (tcdrain), all within `deadline`.
LinkStatus PosixComPort::Drain(Clock::time_point deadline) {
  for (;;) {
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) return CallFailed(errno, FailureCause::WriteStalled);
    if (queued <= 0) break;
    if (Clock::now() >= deadline) return Failure(FailureCause::WriteStalled);
    std::this_thread::sleep_for(std::min<Clock::duration>(kCharacterTime * queued, deadline - Clock::now()));
  }
  if (::tcdrain(fd_) != 0 && errno != EINTR) return CallFailed(errno, FailureCause::WriteStalled);
  return LinkOk();
}

LinkStatus PosixComPort::WriteComPort(ByteSpan frame) {
  if (!open_) return Failure(FailureCause::PortClosed);
  if (auto purged = PurgeComPort(); !purged) return purged;
  if (frame.size() > kMaxComFrame)
    return Failure(FailureCause::FrameTooLong, std::to_string(frame.size()) + " bytes");
  const auto deadline = Clock::now() + kWriteLimit;
  std::size_t written = 0;
  while (written < frame.size()) {
    const ssize_t n = ::write(fd_, frame.data() + written, frame.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    const int error = n < 0 ? errno : EAGAIN;
    if (error == EINTR) continue;
    if (error != EAGAIN && error != EWOULDBLOCK) return CallFailed(error, FailureCause::WriteStalled);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Failure(FailureCause::WriteStalled);
    if (auto ready = WaitWritable(static_cast<int>(std::min<long long>(left, 10))); !ready) return ready;
  }
  return Drain(deadline);
}

LinkResult<bool> PosixComPort::ReadComPort(MutableByteSpan dest) {
  if (!open_) return Failure(FailureCause::PortClosed);
  if (dest.size() > kMaxComFrame)
    return Failure(FailureCause::FrameTooLong, std::to_string(dest.size()) + " bytes");
  const auto queued = CountQueued();
  if (!queued) return queued.error();
  if (static_cast<std::size_t>(*queued) < dest.size()) return false;
  if (static_cast<std::size_t>(*queued) > dest.size()) {
    if (auto purged = PurgeComPort(); !purged) return purged.error();
    return false;
  }
  std::size_t got = 0;
  while (got < dest.size()) {
    const ssize_t n = ::read(fd_, dest.data() + got, dest.size() - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return CallFailed(n < 0 ? errno : EIO, FailureCause::Other);
    }
  }
  return true;
}

LinkStatus PosixComPort::WaitForInput(std::size_t expected, std::chrono::microseconds limit) {
  if (!open_) return Failure(FailureCause::PortClosed);
  const auto queued = CountQueued();
  if (!queued) return queued.error();
  if (static_cast<std::size_t>(*queued) >= expected) return LinkOk();
  if (*queued > 0) {
    // Part of a frame is here; the rest follows within the period.
    std::this_thread::sleep_for(std::min(limit, std::chrono::microseconds(1000)));
    return LinkOk();
  }
  pollfd p{fd_, POLLIN, 0};
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(limit).count();
  const int ready = ::poll(&p, 1, static_cast<int>(ms));
  if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Gone();
  if (ready < 0 || (ready > 0 && QueuedInput() == 0)) {
    // A failed poll, or woken without input: nothing arrives sooner, so the
    // period is waited out rather than spun away.
    std::this_thread::sleep_for(limit);
  }
  return LinkOk();
}

}  // namespace tuneflash
