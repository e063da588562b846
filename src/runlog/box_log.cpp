// Running and recording one box at a time.
#include "runlog/box_log.h"

#include "runlog/failure_record.h"

namespace tuneflash {

BoxLog::BoxLog(std::shared_ptr<const RunLogFile> file, std::string command, std::string port,
               const CountingComPort& counter, int counted)
    : file_(std::move(file)),
      command_(std::move(command)),
      port_(std::move(port)),
      counter_(counter),
      boxes_(counted) {}

LinkStatus BoxLog::Run(const BoxJob& job, PhaseWatch& observer) {
  RunRecord record;
  record.start = std::chrono::system_clock::now();
  record.box = ++boxes_;
  const LineCounts before = counter_.counts();
  observer.Restart(LinkPhase::Verify);
  observer.OnEvent(BoxStarted{record.box});
  LinkStatus status = LinkOk();
  try {
    status = job.run();
  } catch (const std::exception& e) {
    status = JobFailure(observer.phase(), e.what());
  } catch (...) {
    status = JobFailure(observer.phase(), "an unknown error");
  }
  Finish(record, before, status, job, observer);
  observer.OnEvent(BoxEnded{last_->box, last_->outcome == RunOutcome::Success,
                            last_->outcome == RunOutcome::Stopped, last_->failure ? last_->failure->text : "",
                            std::chrono::duration_cast<std::chrono::milliseconds>(last_->end - last_->start),
                            status ? std::nullopt : std::optional(status.error())});
  return status;
}

LinkFailure BoxLog::JobFailure(LinkPhase phase, std::string detail) const {
  LinkFailure failure;
  failure.phase = phase;
  failure.device = counter_.DeviceName();
  failure.detail = std::move(detail);
  return failure;
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
