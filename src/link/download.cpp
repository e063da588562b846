// The download sequence: header and verdict, partitions in acknowledged
// blocks, then the box's erase and program results.
#include "link/download.h"

#include <functional>

#include "link/download_plan.h"
#include "link/flash_misses.h"
#include "link/frame_exchange.h"
#include "link/link_frames.h"
#include "link/report.h"
#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

class DownloadRun {
 public:
  DownloadRun(ComPort& port, RunObserver& observer, int partitionCount, const DownloadOptions& options)
      : port_(port),
        observer_(observer),
        phases_(observer, partitionCount),
        count_(partitionCount),
        options_(options),
        timing_(options.timing) {}

  LinkStatus Run(const std::function<LinkResult<DownloadPlan>()>& makePlan) {
    observer_.SetRunControlsEnabled(false);
    if (options_.showConnectSuccess) ReportStatus(observer_, kConnectSuccess);
    // No answer is awaited; the header follows once the request has left.
    if (auto sent = SendStatusFrame(port_, kDownloadRequest); !sent) {
      phases_.Started(LinkPhase::Verify);
      return Fail(sent.error());
    }
    MarkProgress(timing_);
    auto plan = makePlan();
    phases_.Started(LinkPhase::Verify);
    if (!plan) return Fail(plan.error());
    plan_ = &plan.value();
    if (auto s = Step([this] { return SendHeaderRecord(); }); !s) return s;
    phases_.Started(LinkPhase::Transfer, plan_->dataBytes);
    if (auto s = Step([this] { return TransferPartitions(); }); !s) return s;
    phases_.Started(LinkPhase::Erase);
    if (auto s = Step([this] { return WaitFlashResults(LinkPhase::Erase); }); !s) return s;
    phases_.Started(LinkPhase::Program);
    return Step([this] { return WaitFlashResults(LinkPhase::Program); });
  }

 private:
  template <typename Body>
  LinkStatus Step(Body body) {
    LinkStatus result = body();
    if (!result) return Fail(result.error());
    phases_.Ended(true);
    return result;
  }

  // The failure text of the running phase, and the failure with where it happened.
  LinkFailure Fail(LinkFailure failure) {
    phases_.Ended(false);
    return at_.Stamp(std::move(failure), port_.DeviceName());
  }

  LinkStatus SendHeaderRecord() {
    at_.phase = LinkPhase::Verify;
    // A refused header goes again at once, for as long as the box refuses it.
    if (auto s =
            SendAcknowledged(port_, observer_, plan_->header, timing_, at_.lastReply, {kMaxMisses, true});
        !s)
      return s;
    MarkProgress(timing_);
    const auto verdict = WaitStatusFrame(port_, observer_, timing_);
    if (!verdict) return verdict.error();
    if (*verdict == kVerifySuccess) {
      MarkProgress(timing_);
      return LinkOk();
    }
    LinkFailure f;
    f.cause = *verdict == kVerifyFailed ? FailureCause::VerifyFailed : FailureCause::Other;
    if (*verdict != kVerifyFailed)
      f.detail = "status " + std::to_string(*verdict) + " instead of the verdict";
    return f;
  }

  LinkStatus TransferPartitions() {
    at_.phase = LinkPhase::Transfer;
    // The wire numbers the blocks on across partitions; a reason names the
    // block within its partition.
    std::uint32_t number = 1;
    for (const PlannedPartition& p : plan_->partitions) {
      ++at_.partition;
      at_.block = 0;
      observer_.Pump();
      if (auto s = SendAcknowledged(port_, observer_, p.record, timing_, at_.lastReply); !s) return s;
      MarkProgress(timing_);
      phases_.PartitionDone(at_.partition);
      for (const ByteSpan data : p.blocks) {
        ++at_.block;
        if (auto s = SendAcknowledged(port_, observer_, MakeDataBlock(number, data), timing_, at_.lastReply);
            !s)
          return s;
        MarkProgress(timing_);
        ++number;
        phases_.BytesDone(data.size());
      }
      if (p.brokenData) return *p.brokenData;
    }
    if (plan_->brokenAt) {
      at_.partition = plan_->brokenAt->partition;
      at_.block = 0;
      return *plan_->brokenAt;
    }
    return LinkOk();
  }

  // One result per partition; any other frame is a miss, and as many misses
  // in a row as there are partitions end the phase. The reason tells the
  // box's failure reports (and the partition they were for) from frames that
  // are no result of this phase at all.
  LinkStatus WaitFlashResults(LinkPhase phase) {
    at_.phase = phase;
    at_.block = 0;
    const bool erase = phase == LinkPhase::Erase;
    const int succeeded = erase ? kEraseSuccess : kProgramSuccess;
    const int failed = erase ? kEraseFailed : kProgramFailed;
    FlashMisses misses;
    for (int j = 1; j <= count_;) {
      at_.partition = j;
      observer_.Pump();
      const auto status = WaitStatusFrame(port_, observer_, timing_);
      if (!status) return NoProgressIfNotSilent(status.error(), misses.inRow > 0, misses.Describe(erase));
      if (*status == succeeded) {
        phases_.PartitionDone(j);
        MarkProgress(timing_);
        misses.Succeeded();
        ++j;
        continue;
      }
      misses.Note(*status == failed, *status, j);
      if (misses.inRow >= count_) return misses.Failure(erase, j);
      if (auto late = CheckProgress(timing_, port_, misses.Describe(erase))) return *late;
    }
    if (count_ > 0) return LinkOk();
    LinkFailure f;
    f.cause = erase ? FailureCause::EraseFailed : FailureCause::ProgramFailed;
    f.detail = "no partitions";
    return f;
  }

  ComPort& port_;
  RunObserver& observer_;
  PhaseReporter phases_;
  int count_;
  const DownloadOptions& options_;
  LinkTiming timing_;  // with the progress deadline of --timeout
  const DownloadPlan* plan_ = nullptr;
  LinkPosition at_;
};

}  // namespace

LinkStatus DownloadFile(ComPort& port, RunObserver& observer, const std::filesystem::path& file,
                        int partitionCount, const DownloadOptions& options) {
  return DownloadRun(port, observer, partitionCount, options).Run([&] {
    return MakeDownloadPlan(file, partitionCount);
  });
}

LinkStatus DownloadFile(ComPort& port, RunObserver& observer, const LinkFile& file,
                        const DownloadOptions& options) {
  return DownloadRun(port, observer, file.partitionCount, options).Run([&] {
    return PlanDownload(file.bytes, file.path, file.partitionCount);
  });
}

}  // namespace tuneflash
