// Status texts and progress of the phases.
#include "link/report.h"

#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

struct PhaseTexts {
  int running;
  int succeeded;
  int failed;
  std::string_view percentPrefix;  // empty: the phase shows no percentages
};

PhaseTexts TextsOf(LinkPhase phase) {
  switch (phase) {
    case LinkPhase::Transfer:
      return {kTransferring, kTransferSuccess, kTransferFailed, kTransferPercentPrefix};
    case LinkPhase::Erase:
      return {kErasing, kEraseSuccess, kEraseFailed, kErasePercentPrefix};
    case LinkPhase::Program:
      return {kProgramming, kProgramSuccess, kProgramFailed, kProgramPercentPrefix};
    default:
      return {kVerifying, kVerifySuccess, kVerifyFailed, {}};
  }
}

// The share of a download's job units each of erase and program weighs, of
// the transfer's bytes: the box takes a while per partition, and the bar
// moves on every partition instead of standing still at the transfer's end.
constexpr std::uint64_t kFlashShareDivisor = 4;

}  // namespace

void ReportStatus(RunObserver& observer, int status) {
  if (const auto text = StatusText(status)) observer.ShowStatus(*text);
  observer.Pump();
}

void PhaseReporter::Started(LinkPhase phase, std::size_t totalBytes) {
  phase_ = phase;
  partitionsDone_ = 0;
  if (phase == LinkPhase::Transfer) {
    transferTotal_ = totalBytes;
    lineBytes_ = 0;
    rate_.Reset();
    rate_.Add(0, RateMeter::Clock::now());
  }
  ReportStatus(observer_, TextsOf(phase).running);
  observer_.OnEvent(PhaseStarted{phase});
  Progress();
}

void PhaseReporter::PartitionDone(int done) {
  partitionsDone_ = done;
  const auto percent = [&] {
    observer_.ShowStatus(PercentText(TextsOf(phase_).percentPrefix, done, partitions_));
    observer_.Pump();
  };
  const PartitionStep step{phase_, done, partitions_};
  // The transfer steps the bar before its text, erase and program after it.
  if (phase_ == LinkPhase::Transfer) {
    observer_.OnEvent(step);
    percent();
  } else {
    percent();
    observer_.OnEvent(step);
  }
  Progress();
}

void PhaseReporter::BytesDone(std::size_t count) {
  lineBytes_ += count;
  rate_.Add(lineBytes_, RateMeter::Clock::now());
  Progress();
}

void PhaseReporter::Ended(bool succeeded) {
  observer_.OnEvent(PhaseEnded{phase_, succeeded});
  const PhaseTexts texts = TextsOf(phase_);
  ReportStatus(observer_, succeeded ? texts.succeeded : texts.failed);
}

void PhaseReporter::Progress() {
  JobProgress p;
  p.phase = phase_;
  p.lineBytes = lineBytes_;
  p.partitionsDone = partitionsDone_;
  p.partitions = partitions_;
  const std::uint64_t flashShare = transferTotal_ / kFlashShareDivisor;
  if (transferTotal_ > 0) p.total = transferTotal_ + 2 * flashShare;
  const auto flashDone = [&] {
    return partitions_ > 0 ? flashShare * static_cast<std::uint64_t>(partitionsDone_) /
                                 static_cast<std::uint64_t>(partitions_)
                           : flashShare;
  };
  switch (phase_) {
    case LinkPhase::Erase:
      p.done = transferTotal_ + flashDone();
      break;
    case LinkPhase::Program:
      p.done = transferTotal_ + flashShare + flashDone();
      break;
    case LinkPhase::Transfer:
      p.done = lineBytes_;
      p.bytesPerSecond = rate_.BytesPerSecond();
      if (transferTotal_ > 0) p.timeLeft = rate_.TimeLeft(transferTotal_);
      break;
    default:
      p.done = lineBytes_;
      break;
  }
  if (p.total > 0 && p.done > p.total) p.done = p.total;
  observer_.OnEvent(p);
}

}  // namespace tuneflash
