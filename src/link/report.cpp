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

}  // namespace

void ReportStatus(RunObserver& observer, int status) {
  if (const auto text = StatusText(status)) observer.ShowStatus(*text);
  observer.Pump();
}

void PhaseReporter::Emit(ProgressEvent::Kind kind, ProgressEvent::Unit unit, std::size_t done,
                         std::size_t total, bool succeeded) {
  observer_.OnProgress(ProgressEvent{kind, phase_, unit, done, total, succeeded});
}

void PhaseReporter::Started(LinkPhase phase, std::size_t totalBytes) {
  phase_ = phase;
  bytesDone_ = 0;
  bytesTotal_ = totalBytes;
  ReportStatus(observer_, TextsOf(phase).running);
  const bool bytes = phase == LinkPhase::Transfer && totalBytes > 0;
  Emit(ProgressEvent::Kind::PhaseStarted,
       bytes ? ProgressEvent::Unit::ByteCount : ProgressEvent::Unit::Partitions, 0,
       bytes ? totalBytes : static_cast<std::size_t>(partitions_));
}

void PhaseReporter::PartitionDone(int done) {
  const auto percent = [&] {
    observer_.ShowStatus(PercentText(TextsOf(phase_).percentPrefix, done, partitions_));
    observer_.Pump();
  };
  // The transfer steps the bar before its text, erase and program after it.
  if (phase_ == LinkPhase::Transfer) {
    observer_.StepProgress(partitions_, 1);
    percent();
  } else {
    percent();
    observer_.StepProgress(partitions_, 1);
  }
  if (bytesTotal_ == 0) {
    Emit(ProgressEvent::Kind::Advanced, ProgressEvent::Unit::Partitions, static_cast<std::size_t>(done),
         static_cast<std::size_t>(partitions_));
  }
}

void PhaseReporter::BytesDone(std::size_t count) {
  bytesDone_ += count;
  observer_.AddTransferredBytes(count);
  if (bytesTotal_ > 0)
    Emit(ProgressEvent::Kind::Advanced, ProgressEvent::Unit::ByteCount, bytesDone_, bytesTotal_);
}

void PhaseReporter::Ended(bool succeeded) {
  Emit(ProgressEvent::Kind::PhaseEnded,
       bytesTotal_ > 0 ? ProgressEvent::Unit::ByteCount : ProgressEvent::Unit::Partitions,
       bytesTotal_ > 0 ? bytesDone_ : 0, bytesTotal_, succeeded);
  const PhaseTexts texts = TextsOf(phase_);
  ReportStatus(observer_, succeeded ? texts.succeeded : texts.failed);
}

}  // namespace tuneflash
