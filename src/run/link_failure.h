// Why a link operation ended without its result: one value that travels from
// the port through the waits and the sequences up to the front ends, which
// show it as one line (DescribeFailure). LinkResult<T> carries either the
// result or the failure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace tuneflash {

// The step of a run a failure happened in.
enum class LinkPhase { Open, Hello, Verify, Transfer, Erase, Program, Import };

enum class FailureCause {
  NoReply,        // the box did not answer within the wait's polls
  NakLimit,       // the box refused the same frame 10 times in a row
  PcRefused,      // the PC refused the box's frame 10 times in a row (upload: it came bad)
  Unexpected,     // the box sent frames that are not the results the step waits for
  NoProgress,     // the box refused or sent the wrong frames for the run's time limit
  VerifyFailed,   // the box's verdict on the header was "failed"
  EraseFailed,    // the box reported an erase failure for `partition`
  ProgramFailed,  // the box reported a program failure for `partition`
  ConnectFailed,  // the first status frame was not the box's hello
  PortGone,       // the device went away (a pulled adapter, a hung-up line)
  PortClosed,     // the port was closed (Reset, Ctrl-C, another Start)
  WriteStalled,   // a frame did not leave within the write limit
  FrameTooLong,   // a frame longer than the port takes
  Silent,         // the box was silent for the run's time limit
  FileShort,      // the file ends before its records do
  FileError,      // the file cannot be opened, read or written
  BadRecord,      // a record of the file or from the box does not hold
  OpenFailed,     // the port could not be opened
  Differs,        // verify: the box does not hold the file's image of `partition`
  Other,          // anything else; `detail` says what
};

struct LinkFailure {
  FailureCause cause = FailureCause::Other;
  LinkPhase phase = LinkPhase::Open;
  int partition = 0;                  // 1-based partition the step was at; 0 for none
  std::uint32_t block = 0;            // 1-based block within the partition; 0 for none
  std::optional<std::uint8_t> reply;  // the last reply byte the PC saw from the box
  std::string device;                 // the port's device, when known
  std::string detail;                 // what the cause alone does not say
};

// Where a sequence is: what it stamps onto a failure that rises through it.
struct LinkPosition {
  LinkPhase phase = LinkPhase::Verify;
  int partition = 0;
  std::uint32_t block = 0;
  std::optional<std::uint8_t> lastReply;

  // `failure` with the phase set and the fields it leaves open filled in.
  LinkFailure Stamp(LinkFailure failure, const std::string& device) const;
};

// One line: "<phase>, partition i, block n, last reply 06: <cause> (<device>)".
std::string DescribeFailure(const LinkFailure& failure);

// The text of a cause and of a phase, as DescribeFailure uses them.
std::string_view CauseText(FailureCause cause);
std::string_view PhaseText(LinkPhase phase);

// A result or the reason there is none.
template <typename T>
class LinkResult {
 public:
  LinkResult(T value) : v_(std::move(value)) {}                // NOLINT: implicit, like std::expected
  LinkResult(LinkFailure failure) : v_(std::move(failure)) {}  // NOLINT

  bool has_value() const { return v_.index() == 0; }
  explicit operator bool() const { return has_value(); }
  const T& value() const { return std::get<0>(v_); }
  T& value() { return std::get<0>(v_); }
  const T& operator*() const { return value(); }
  const T* operator->() const { return &value(); }
  const LinkFailure& error() const { return std::get<1>(v_); }
  LinkFailure& error() { return std::get<1>(v_); }

 private:
  std::variant<T, LinkFailure> v_;
};

// The result of an operation that has no value besides having worked.
struct LinkDone {};
using LinkStatus = LinkResult<LinkDone>;
inline LinkStatus LinkOk() {
  return LinkDone{};
}

}  // namespace tuneflash
