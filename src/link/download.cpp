// The download sequence: header and verdict, partitions in acknowledged
// blocks, then the box's erase and program results.
#include "link/download.h"

#include <functional>

#include "link/download_plan.h"
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
        options_(options) {}

  LinkStatus Run(const std::function<LinkResult<DownloadPlan>()>& makePlan) {
    observer_.SetRunControlsEnabled(false);
    if (options_.showConnectSuccess) ReportStatus(observer_, kConnectSuccess);
    // No answer is awaited; the header follows once the request has left.
    if (auto sent = SendStatusFrame(port_, kDownloadRequest); !sent) {
      phases_.Started(LinkPhase::Verify);
      return Fail(sent.error());
    }
    auto plan = makePlan();
    phases_.Started(LinkPhase::Verify);
    if (!plan) return Fail(plan.error());
    plan_ = &plan.value();
    if (auto s = Step([this] { return SendHeaderRecord(); }); !s) return s;
    phases_.Started(LinkPhase::Transfer, plan_->dataBytes);
    if (auto s = Step([this] { return TransferPartitions(); }); !s) return s;
    phases_.Started(LinkPhase::Erase);
    if (auto s = Step([this] { return WaitFlashResults(kEraseSuccess, FailureCause::EraseFailed); }); !s)
      return s;
    phases_.Started(LinkPhase::Program);
    return Step([this] { return WaitFlashResults(kProgramSuccess, FailureCause::ProgramFailed); });
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
    if (auto s = SendAcknowledged(port_, observer_, plan_->header, options_.timing, at_.lastReply,
                                  {kMaxMisses, true});
        !s)
      return s;
    const auto verdict = WaitStatusFrame(port_, observer_, options_.timing);
    if (!verdict) return verdict.error();
    if (*verdict == kVerifySuccess) return LinkOk();
    LinkFailure f;
    f.cause = *verdict == kVerifyFailed ? FailureCause::VerifyFailed : FailureCause::Other;
    if (*verdict != kVerifyFailed)
      f.detail = "status " + std::to_string(*verdict) + " instead of the verdict";
    return f;
  }

  LinkStatus TransferPartitions() {
    at_.phase = LinkPhase::Transfer;
    std::uint32_t number = 1;
    for (const PlannedPartition& p : plan_->partitions) {
      ++at_.partition;
      at_.block = 0;
      observer_.Pump();
      if (auto s = SendAcknowledged(port_, observer_, p.record, options_.timing, at_.lastReply); !s) return s;
      phases_.PartitionDone(at_.partition);
      for (const ByteSpan data : p.blocks) {
        at_.block = number;
        if (auto s = SendAcknowledged(port_, observer_, MakeDataBlock(number, data), options_.timing,
                                      at_.lastReply);
            !s)
          return s;
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

  // One result per partition; a result other than `expected` is a miss, and
  // as many misses in a row as there are partitions end the phase.
  LinkStatus WaitFlashResults(int expected, FailureCause cause) {
    at_.phase = expected == kEraseSuccess ? LinkPhase::Erase : LinkPhase::Program;
    at_.block = 0;
    int misses = 0;
    bool any = false;
    for (int j = 1; j <= count_;) {
      at_.partition = j;
      observer_.Pump();
      const auto status = WaitStatusFrame(port_, observer_, options_.timing);
      if (!status) return status.error();
      if (*status == expected) {
        phases_.PartitionDone(j);
        any = true;
        misses = 0;
        ++j;
      } else if (++misses >= count_) {
        LinkFailure f;
        f.cause = cause;
        f.detail = std::to_string(misses) + " failure report(s) in a row";
        return f;
      }
    }
    if (any) return LinkOk();
    LinkFailure f;
    f.cause = cause;
    f.detail = "no partitions";
    return f;
  }

  ComPort& port_;
  RunObserver& observer_;
  PhaseReporter phases_;
  int count_;
  const DownloadOptions& options_;
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
