// The failure line of a run.
#include "run/link_failure.h"

#include <cstdio>

namespace tuneflash {

std::string_view PhaseText(LinkPhase phase) {
  switch (phase) {
    case LinkPhase::Open:
      return "opening the port";
    case LinkPhase::Hello:
      return "waiting for the box's hello";
    case LinkPhase::Verify:
      return "verify";
    case LinkPhase::Transfer:
      return "transfer";
    case LinkPhase::Erase:
      return "erase";
    case LinkPhase::Program:
      return "program";
    case LinkPhase::Import:
      return "SatcoDX import";
  }
  return "?";
}

std::string_view CauseText(FailureCause cause) {
  switch (cause) {
    case FailureCause::NoReply:
      return "no reply from the box";
    case FailureCause::NakLimit:
      return "the box refused the frame 10 times";
    case FailureCause::PcRefused:
      return "the PC refused the box's frame 10 times";
    case FailureCause::Unexpected:
      return "unexpected frames from the box";
    case FailureCause::NoProgress:
      return "the box made no progress for the time limit";
    case FailureCause::VerifyFailed:
      return "the box's verdict was: verify failed";
    case FailureCause::EraseFailed:
      return "erase failed";
    case FailureCause::ProgramFailed:
      return "program failed";
    case FailureCause::ConnectFailed:
      return "the box did not say hello";
    case FailureCause::PortGone:
      return "the port went away";
    case FailureCause::PortClosed:
      return "the port was closed";
    case FailureCause::WriteStalled:
      return "a write stalled for 2 s";
    case FailureCause::FrameTooLong:
      return "a frame is longer than the port takes";
    case FailureCause::Silent:
      return "the box was silent for the time limit";
    case FailureCause::FileShort:
      return "the file is shorter than its records";
    case FailureCause::FileError:
      return "the file cannot be used";
    case FailureCause::BadRecord:
      return "a record does not hold";
    case FailureCause::OpenFailed:
      return "the port cannot be opened";
    case FailureCause::Differs:
      return "the box does not hold the file";
    case FailureCause::Other:
      return "failed";
  }
  return "failed";
}

LinkFailure LinkPosition::Stamp(LinkFailure failure, const std::string& device) const {
  failure.phase = phase;
  if (failure.partition == 0) failure.partition = partition;
  if (failure.block == 0) failure.block = block;
  if (!failure.reply) failure.reply = lastReply;
  if (failure.device.empty()) failure.device = device;
  return failure;
}

std::string DescribeFailure(const LinkFailure& f) {
  std::string line(PhaseText(f.phase));
  if (f.partition > 0) line += ", partition " + std::to_string(f.partition);
  if (f.block > 0) line += ", block " + std::to_string(f.block);
  if (f.reply) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", *f.reply);
    line += ", last reply ";
    line += hex;
  }
  line += ": ";
  // The port's own sentences already name the device.
  const bool sentence =
      !f.detail.empty() && (f.cause == FailureCause::PortGone || f.cause == FailureCause::OpenFailed);
  if (sentence) {
    line += f.detail;
  } else {
    line += CauseText(f.cause);
    if (!f.detail.empty()) line += " (" + f.detail + ")";
  }
  if (!f.device.empty() && line.find(f.device) == std::string::npos) line += " on " + f.device;
  return line;
}

}  // namespace tuneflash
