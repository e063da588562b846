// The box's end of the pseudo-terminal.
#include "boxsim/box_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "dld/records.h"
#include "link/frame_trace.h"
#include "link/link_frames.h"

namespace tuneflash::boxsim {
namespace {

// A partial frame that gets no more bytes for this long is dropped.
constexpr auto kStallLimit = std::chrono::milliseconds(200);
// How long a write is watched for its bytes to reach the PC's queue: first
// by spinning, then by waiting.
constexpr auto kLandingSpin = std::chrono::microseconds(300);
constexpr auto kLandingGrace = std::chrono::milliseconds(5);
// A frame sent this soon after the PC's last frame was complete answers it.
constexpr auto kReplyWindow = std::chrono::milliseconds(1);
// Output is written in slices of about this much line time when paced.
constexpr auto kPaceSlice = std::chrono::microseconds(1000);

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void SleepUntil(Clock::time_point when) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
  timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

void MakeRaw(int fd) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) ThrowErrno("tcgetattr");
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, B115200);
  ::cfsetospeed(&t, B115200);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &t) != 0) ThrowErrno("tcsetattr");
}

}  // namespace

BoxLine::BoxLine(const LineOptions& options) : options_(options) {
  static_assert(std::is_same_v<Clock, std::chrono::steady_clock>);
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) ThrowErrno("posix_openpt");
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) ThrowErrno("unlockpt");
  std::array<char, 128> name{};
  if (::ptsname_r(master_, name.data(), name.size()) != 0) ThrowErrno("ptsname");
  slavePath_ = name.data();
  // The box keeps the slave open too: the line stays up between two PC
  // sessions, and FIONREAD on it tells what the PC has not read yet.
  slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) ThrowErrno("open pty slave");
  MakeRaw(slave_);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) ThrowErrno("pipe2");
}

BoxLine::~BoxLine() {
  for (const int fd : {master_, slave_, wake_[0], wake_[1]}) {
    if (fd >= 0) ::close(fd);
  }
}

void BoxLine::RequestStop() {
  const char byte = 1;
  [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);
}

void BoxLine::CheckStop() {
  std::array<pollfd, 2> fds{{{wake_[0], POLLIN, 0}, {options_.stopFd, POLLIN, 0}}};
  if (::poll(fds.data(), options_.stopFd >= 0 ? 2 : 1, 0) > 0) throw StopRequested{};
}

void BoxLine::HangUp() {
  Trace("box! hang-up", {});
  for (int* fd : {&master_, &slave_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  throw HungUp{};
}

void BoxLine::TraceViolation(std::string_view what) {
  if (options_.trace != nullptr) *options_.trace << "box! protocol error: " << what << "\n" << std::flush;
}

void BoxLine::TraceNote(std::string_view what) {
  if (options_.trace != nullptr) *options_.trace << "box! note: " << what << "\n" << std::flush;
}

int BoxLine::PcQueued() const {
  int queued = 0;
  return ::ioctl(slave_, FIONREAD, &queued) == 0 ? queued : 0;
}

void BoxLine::Withdraw() {
  ::tcflush(slave_, TCIFLUSH);
}

std::vector<double> BoxLine::TakeTurnarounds() {
  std::vector<double> out;
  out.swap(turnarounds_);
  return out;
}

BoxLine::Match BoxLine::MatchFrame(FrameKind kind, ByteSpan b, std::size_t& length) {
  const auto need = [&](std::size_t n) {
    length = n;
    return b.size() >= n ? Match::Complete : Match::NeedMore;
  };
  switch (kind) {
    case FrameKind::Reply:
      return (b[0] == kAck || b[0] == kNak) ? need(1) : Match::NoMatch;
    case FrameKind::Status:
      if (b[0] != kFrameStart) return Match::NoMatch;
      if (b.size() < kStatusFrameSize) return Match::NeedMore;
      return b[3] == kFrameEnd && StatusOfReceivedFrame(b) >= 0 ? need(kStatusFrameSize) : Match::NoMatch;
    case FrameKind::Header:
      if (b[0] != kHeaderTag) return Match::NoMatch;
      if (b.size() < 3) return Match::NeedMore;
      return GetLe16(b, 1) == kHeaderLength ? need(kHeaderRecordSize) : Match::NoMatch;
    case FrameKind::Partition:
      if (b[0] != kPartitionTag) return Match::NoMatch;
      if (b.size() < 2) return Match::NeedMore;
      return b[1] == kPartitionLength ? need(kPartitionRecordSize) : Match::NoMatch;
    case FrameKind::DataBlock:
      if (b[0] != kFrameStart) return Match::NoMatch;
      if (b.size() < 3) return Match::NeedMore;
      return b[2] == static_cast<std::uint8_t>(~b[1]) ? need(kDataBlockSize) : Match::NoMatch;
    case FrameKind::UploadRequest: {
      if (b[0] != kFrameStart) return Match::NoMatch;
      if (b.size() < 4) return Match::NeedMore;
      return GetLe16(b, 1) == 8u * b[3] + 8u ? need(kUploadRequestSize) : Match::NoMatch;
    }
  }
  return Match::NoMatch;
}

std::optional<Frame> BoxLine::ReadFrame(std::initializer_list<FrameKind> kinds, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    CheckStop();
    bool needMore = false;
    while (!in_.empty() && !needMore) {
      for (const FrameKind kind : kinds) {
        std::size_t length = 0;
        const Match m = MatchFrame(kind, in_, length);
        if (m == Match::Complete) {
          Frame frame{kind, Bytes(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(length))};
          in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(length));
          PaceInput(length);
          Trace("box<", frame.bytes);
          firstByteAt_ = lastByteAt_;
          return frame;
        }
        needMore = needMore || m == Match::NeedMore;
      }
      if (!needMore) {
        Trace("box< noise", ByteSpan(in_).first(1));
        in_.erase(in_.begin());
      }
    }
    if (needMore && Clock::now() - lastByteAt_ > kStallLimit) {
      Trace("box< stalled", in_);
      in_.erase(in_.begin());
      continue;
    }
    if (Clock::now() >= deadline) return std::nullopt;
    WaitReadable(needMore ? std::min(deadline, lastByteAt_ + kStallLimit + std::chrono::milliseconds(1))
                          : deadline);
    ReadAvailable();
  }
}

void BoxLine::WaitReadable(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  std::array<pollfd, 3> fds{{{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}, {options_.stopFd, POLLIN, 0}}};
  ::poll(fds.data(), options_.stopFd >= 0 ? 3 : 2, static_cast<int>(std::max<long long>(left, 0)));
}

void BoxLine::ReadAvailable() {
  std::array<std::uint8_t, 4096> chunk{};
  for (;;) {
    const ssize_t n = ::read(master_, chunk.data(), chunk.size());
    if (n <= 0) return;
    const auto now = Clock::now();
    if (replySentAt_) {
      turnarounds_.push_back(std::chrono::duration<double, std::micro>(now - *replySentAt_).count());
      replySentAt_.reset();
    }
    if (in_.empty()) firstByteAt_ = now;
    lastByteAt_ = now;
    in_.insert(in_.end(), chunk.begin(), chunk.begin() + n);
  }
}

// A frame of `length` characters is complete only once a real line has
// carried it: 11 bits per character after its first byte came in.
void BoxLine::PaceInput(std::size_t length) {
  if (options_.wireRate <= 0) return;
  const auto perChar = std::chrono::nanoseconds(11'000'000'000LL / options_.wireRate);
  const auto done = std::max(firstByteAt_, lineInFree_) + perChar * static_cast<long>(length);
  lineInFree_ = done;
  SleepUntil(done);
}

bool BoxLine::AwaitRead(Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  auto step = std::chrono::microseconds(50);
  while (PcQueued() > 0) {
    CheckStop();
    if (Clock::now() >= deadline) {
      Withdraw();
      return false;
    }
    std::this_thread::sleep_for(step);
    step = std::min(step * 2, std::chrono::microseconds(2000));
  }
  return true;
}

bool BoxLine::Send(ByteSpan frame, Clock::duration timeout) {
  // The lock-step rule: nothing new before the PC has read what it has.
  if (!AwaitRead(timeout)) return false;
  Trace("box>", frame);
  replySentAt_.reset();
  if (options_.wireRate > 0) {
    WritePaced(frame);
  } else {
    WriteAll(frame);
  }
  lastWriteAt_ = Clock::now();
  AwaitLanding();
  return true;
}

// The pseudo-terminal hands written bytes on a moment later; until they are
// in the PC's queue an empty queue does not mean that the PC has read them.
// They have landed once the queue holds something, or once the PC has sent
// anything (it only does after reading). The PC, woken by the same landing,
// may read them before this side looks: a short spin catches the moment in
// all but rare cases, and a short grace covers those.
void BoxLine::AwaitLanding() {
  std::array<pollfd, 2> fds{{{slave_, POLLIN, 0}, {master_, POLLIN, 0}}};
  const auto spinUntil = Clock::now() + kLandingSpin;
  while (Clock::now() < spinUntil) {
    if (PcQueued() > 0 || !in_.empty() || ::poll(&fds[1], 1, 0) > 0) return;
  }
  ::poll(fds.data(), fds.size(), static_cast<int>(kLandingGrace.count()));
}

void BoxLine::WriteAll(ByteSpan data) {
  std::size_t put = 0;
  while (put < data.size()) {
    const ssize_t n = ::write(master_, data.data() + put, data.size() - put);
    if (n > 0) {
      put += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 10);
      CheckStop();
    } else {
      ThrowErrno("write to pty");
    }
  }
}

// Character i reaches the PC when its stop bit has gone: (i + 1) character
// times after the line became free.
void BoxLine::WritePaced(ByteSpan data) {
  const auto perChar = std::chrono::nanoseconds(11'000'000'000LL / options_.wireRate);
  // A reply leaves as soon as the frame it answers is complete on the line:
  // the simulator's own wake-up after that moment is not time a box loses.
  const auto now = Clock::now();
  const auto answered = now - lineInFree_ < kReplyWindow ? std::min(now, lineInFree_) : now;
  const auto start = std::max(answered, lineOutFree_);
  const auto slice = std::max<long>(1, static_cast<long>(kPaceSlice / perChar));
  std::size_t sent = 0;
  while (sent < data.size()) {
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(slice), data.size() - sent);
    SleepUntil(start + perChar * static_cast<long>(sent + n));
    WriteAll(data.subspan(sent, n));
    sent += n;
  }
  lineOutFree_ = start + perChar * static_cast<long>(data.size());
}

void BoxLine::Trace(std::string_view direction, ByteSpan frame) {
  if (options_.trace != nullptr)
    *options_.trace << FormatFrameTrace(Clock::now() - start_, direction, frame) << std::flush;
}

}  // namespace tuneflash::boxsim
