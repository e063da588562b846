// Link failures for the run record: phase and cause as short stable keys
// that a script can match, the whole reason as the link words it.
#include "runlog/failure_record.h"

namespace tuneflash {
namespace {

std::string PhaseKey(LinkPhase phase) {
  switch (phase) {
    case LinkPhase::Open:
      return "open";
    case LinkPhase::Hello:
      return "hello";
    case LinkPhase::Verify:
      return "verify";
    case LinkPhase::Transfer:
      return "transfer";
    case LinkPhase::Erase:
      return "erase";
    case LinkPhase::Program:
      return "program";
    case LinkPhase::Import:
      return "import";
  }
  return "other";
}

std::string CauseKey(FailureCause cause) {
  switch (cause) {
    case FailureCause::NoReply:
      return "no_reply";
    case FailureCause::NakLimit:
      return "nak_limit";
    case FailureCause::VerifyFailed:
      return "verify_failed";
    case FailureCause::EraseFailed:
      return "erase_failed";
    case FailureCause::ProgramFailed:
      return "program_failed";
    case FailureCause::ConnectFailed:
      return "connect_failed";
    case FailureCause::PortGone:
      return "port_gone";
    case FailureCause::PortClosed:
      return "port_closed";
    case FailureCause::WriteStalled:
      return "write_stalled";
    case FailureCause::FrameTooLong:
      return "frame_too_long";
    case FailureCause::Silent:
      return "silent";
    case FailureCause::FileShort:
      return "file_short";
    case FailureCause::FileError:
      return "file_error";
    case FailureCause::BadRecord:
      return "bad_record";
    case FailureCause::OpenFailed:
      return "open_failed";
    case FailureCause::Differs:
      return "differs";
    case FailureCause::Other:
      break;
  }
  return "other";
}

}  // namespace

RecordedFailure RecordFailure(const LinkFailure& failure) {
  return RecordedFailure{PhaseKey(failure.phase), failure.partition, failure.block,
                         CauseKey(failure.cause), failure.reply,     DescribeFailure(failure)};
}

}  // namespace tuneflash
