// The box's end of the line: a pseudo-terminal pair whose slave side the PC
// opens, frame reading with resynchronisation, and sending that keeps the
// lock-step rule (never a frame before the PC has read the previous one) and,
// on request, the pace of a real 8E1 line.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dld/bytes.h"

namespace tuneflash::boxsim {

using Clock = std::chrono::steady_clock;

enum class FrameKind { Reply, Status, Header, Partition, DataBlock, UploadRequest };

struct Frame {
  FrameKind kind;
  Bytes bytes;
};

// Thrown out of any wait when the box is asked to stop.
struct StopRequested : std::exception {};
// Thrown once the box has hung up its line: it serves no more.
struct HungUp : std::exception {};

struct LineOptions {
  long wireRate = 0;              // bit/s of the modelled line; 0 for no pacing
  std::ostream* trace = nullptr;  // hex dump of every frame when set
  int stopFd = -1;                // readable when the box must stop (besides RequestStop)
};

class BoxLine {
 public:
  explicit BoxLine(const LineOptions& options);
  ~BoxLine();
  BoxLine(const BoxLine&) = delete;
  BoxLine& operator=(const BoxLine&) = delete;

  // The slave side of the pseudo-terminal: the device the PC opens.
  const std::string& DevicePath() const { return slavePath_; }

  // Wakes every wait with StopRequested. Async-signal-safe.
  void RequestStop();

  // The next frame of one of `kinds` (in order of preference), or nothing
  // when `timeout` passes first. Bytes that cannot start any of them are
  // dropped, as are partial frames that stall.
  std::optional<Frame> ReadFrame(std::initializer_list<FrameKind> kinds, Clock::duration timeout);

  // Waits (at most `timeout`) until the PC has read everything sent before,
  // then writes `frame`, paced when a wire rate is set. False when the PC did
  // not read in time; what it left unread is withdrawn.
  bool Send(ByteSpan frame, Clock::duration timeout);

  // Waits (at most `timeout`) until the PC has read everything sent; false
  // when it did not, and what it left unread is then withdrawn.
  bool AwaitRead(Clock::duration timeout);

  // Closes the box's side of the line like a pulled adapter: the PC's reads,
  // writes and polls fail from now on. Throws HungUp.
  [[noreturn]] void HangUp();

  // Writes a protocol violation of the PC to the trace.
  void TraceViolation(std::string_view what);
  // Writes a remark on what the PC sent to the trace: allowed, but worth a look.
  void TraceNote(std::string_view what);

  // Bytes sent that the PC has not read yet.
  int PcQueued() const;
  // Takes back what the PC has not read.
  void Withdraw();

  // Marks the moment the last frame was written as a reply; the next arrival
  // from the PC closes one turnaround sample.
  void MarkReplySent() { replySentAt_ = lastWriteAt_; }
  std::vector<double> TakeTurnarounds();

 private:
  enum class Match { Complete, NeedMore, NoMatch };
  static Match MatchFrame(FrameKind kind, ByteSpan buffer, std::size_t& length);
  void WaitReadable(Clock::time_point deadline);
  void ReadAvailable();
  void PaceInput(std::size_t length);
  void WriteAll(ByteSpan data);
  void AwaitLanding();
  void WritePaced(ByteSpan data);
  void Trace(std::string_view direction, ByteSpan frame);
  void CheckStop();

  LineOptions options_;
  int master_ = -1;
  int slave_ = -1;
  int wake_[2] = {-1, -1};
  std::string slavePath_;
  Bytes in_;
  Clock::time_point firstByteAt_{};
  Clock::time_point lastByteAt_{};
  Clock::time_point lineInFree_{};
  Clock::time_point lineOutFree_{};
  Clock::time_point lastWriteAt_{};
  std::optional<Clock::time_point> replySentAt_;
  std::vector<double> turnarounds_;
  Clock::time_point start_ = Clock::now();
};

}  // namespace tuneflash::boxsim
