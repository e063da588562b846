// The serial port on POSIX termios.
#include "link/posix_com_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace tuneflash {
namespace {

// Longest a write waits for the driver to take its frame: a 2048-byte frame
// needs under 200 ms at 115200 bit/s.
constexpr int kWriteDrainLimitMs = 2000;

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

}  // namespace

PosixComPort::~PosixComPort() {
  CloseComPort();
}

bool PosixComPort::Fail(const std::string& what, int error) {
  lastError_ =
      device_ + ": " + what + (error != 0 ? std::string(": ") + std::strerror(error) : std::string());
  return false;
}

bool PosixComPort::OpenComPort(const std::string& device) {
  CloseComPort();
  device_ = device;
  lastError_.clear();
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) return Fail("no such device", 0);
    if (error == EBUSY) return Fail("busy: opened by another program", 0);
    if (error == EACCES || error == EPERM) return Fail("not permitted", error);
    return Fail("cannot open", error);
  }
  if (!::isatty(fd)) {
    ::close(fd);
    return Fail("not a serial device", 0);
  }
  // Exclusive: TIOCEXCL keeps other users out, the lock also keeps out a
  // second program running as root.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? Fail("busy: opened by another program", 0) : Fail("cannot lock", error);
  }
  fd_ = fd;
  open_ = true;
  bool ok = Configure();
  if (ok && PurgeComPort()) ok = Fail("cannot purge the queues", errno);
  if (!ok) {
    const std::string error = lastError_;
    CloseComPort();
    lastError_ = error;
    return false;
  }
  NotifyState(true);
  return true;
}

bool PosixComPort::Configure() {
  termios current{};
  if (::tcgetattr(fd_, &current) != 0) return Fail("cannot read the line settings", errno);
  const termios want = LineSettings(current);
  const bool pty = IsPseudoTerminal(fd_);
  if (::tcsetattr(fd_, TCSANOW, &want) != 0) {
    // A pseudo-terminal has no parity; it refuses a change of parity alone.
    termios withoutParity = want;
    withoutParity.c_cflag &= ~static_cast<tcflag_t>(PARENB);
    if (!pty || ::tcsetattr(fd_, TCSANOW, &withoutParity) != 0) {
      return Fail("refuses 115200 8E1", errno);
    }
  }
  termios got{};
  if (::tcgetattr(fd_, &got) != 0) return Fail("cannot read the line settings", errno);
  if (!SettingsTook(want, got, pty)) return Fail("did not take 115200 8E1", 0);
  return true;
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

bool PosixComPort::PurgeComPort() {
  if (!open_) return true;
  return ::tcflush(fd_, TCIOFLUSH) != 0;
}

int PosixComPort::QueuedInput() const {
  if (!open_) return -1;
  int queued = 0;
  if (::ioctl(fd_, FIONREAD, &queued) != 0) return -1;
  return queued;
}

int PosixComPort::WriteComPort(ByteSpan frame) {
  PurgeComPort();
  if (frame.size() > kMaxComFrame || !open_) return -1;
  std::size_t written = 0;
  int waitedMs = 0;
  while (written < frame.size()) {
    const ssize_t n = ::write(fd_, frame.data() + written, frame.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitedMs < kWriteDrainLimitMs) {
      pollfd p{fd_, POLLOUT, 0};
      ::poll(&p, 1, 10);
      waitedMs += 10;
      continue;
    }
    break;  // refused outright, or the driver does not drain
  }
  return static_cast<int>(written);
}

int PosixComPort::ReadComPort(MutableByteSpan dest) {
  if (dest.size() > kMaxComFrame || !open_) return -1;
  const int queued = QueuedInput();
  if (queued < 0 || static_cast<std::size_t>(queued) < dest.size()) return -1;
  if (static_cast<std::size_t>(queued) > dest.size()) {
    PurgeComPort();
    return -1;
  }
  std::size_t got = 0;
  while (got < dest.size()) {
    const ssize_t n = ::read(fd_, dest.data() + got, dest.size() - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return -1;
    }
  }
  return static_cast<int>(got);
}

void PosixComPort::WaitForInput(std::size_t expected, std::chrono::microseconds limit) {
  if (!open_) return;
  const int queued = QueuedInput();
  if (queued >= 0 && static_cast<std::size_t>(queued) >= expected) return;
  if (queued > 0) {
    // Part of a frame is here; the rest follows within the period.
    std::this_thread::sleep_for(std::min(limit, std::chrono::microseconds(1000)));
    return;
  }
  pollfd p{fd_, POLLIN, 0};
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(limit).count();
  const int ready = ::poll(&p, 1, static_cast<int>(ms));
  if (ready > 0 && QueuedInput() == 0) {
    // Woken without input: the other end hung up. Nothing will arrive, so do
    // not spin.
    std::this_thread::sleep_for(limit);
  }
}

}  // namespace tuneflash
