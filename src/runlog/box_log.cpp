// Running and recording one box at a time.
#include "runlog/box_log.h"

#include "runlog/failure_record.h"

namespace tuneflash {

BoxLog::BoxLog(std::shared_ptr<const RunLogFile> file, std::string command, std::string port,
               const CountingComPort& counter)
    : file_(std::move(file)), command_(std::move(command)), port_(std::move(port)), counter_(counter) {}

LinkStatus BoxLog::Run(const BoxJob& job, RunObserver& observer) {
  RunRecord record;
  record.start = std::chrono::system_clock::now();
  record.box = ++boxes_;
  const LineCounts before = counter_.counts();
  try {
    LinkStatus status = job.run();
    Finish(record, before, status, job, observer);
    return status;
  } catch (const std::exception& e) {
    // The job cannot go on (a list that does not convert): its record, then the end of the run.
    LinkFailure failure;
    failure.phase = LinkPhase::Import;
    failure.detail = e.what();
    Finish(record, before, failure, job, observer);
    throw;
  }
}

void BoxLog::Finish(RunRecord& record, const LineCounts& before, const LinkStatus& status, const BoxJob& job,
                    RunObserver& observer) {
  record.end = std::chrono::system_clock::now();
  record.port = port_;
  record.device = counter_.DeviceName();
  record.command = command_;
  record.file = job.file(status.has_value());
  record.outcome = status                                             ? RunOutcome::Success
                   : status.error().cause == FailureCause::PortClosed ? RunOutcome::Stopped
                                                                      : RunOutcome::Failed;
  if (!status) record.failure = RecordFailure(status.error());
  record.counts = CountsBetween(before, counter_.counts());
  if (job.partitions) record.partitions = job.partitions();
  if (file_) {
    record.station = file_->origin().station;
    record.runId = file_->origin().runId;
    if (const auto failure = file_->Append(RecordLine(record))) {
      observer.AddLogLine("the record of box " + std::to_string(record.box) +
                          " was not written: " + failure->Describe());
    }
  }
  last_ = std::move(record);
}

}  // namespace tuneflash
