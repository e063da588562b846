// The one place where what the sequences do becomes the status texts of the
// status table: a status by index, and the phases of a run (verify, transfer,
// erase, program) with their running, percentage and result texts, their
// partition steps and the job's progress in bytes, with its rate and time
// left, on the event stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "run/link_failure.h"
#include "run/rate_meter.h"
#include "run/run_observer.h"

namespace tuneflash {

// The text of `status` (when it has one), then one pump so that it is
// painted before the next blocking step.
void ReportStatus(RunObserver& observer, int status);

class PhaseReporter {
 public:
  // `partitions` is the count the percentages and steps are of.
  PhaseReporter(RunObserver& observer, int partitions) : observer_(observer), partitions_(partitions) {}

  // "Verify...", "Transfer...", "Erase flash..." or "Program flash...";
  // `totalBytes` is what a transfer will carry when known.
  void Started(LinkPhase phase, std::size_t totalBytes = 0);
  // Partition `done` of the phase is through: its step and percentage text.
  void PartitionDone(int done);
  // One data block's bytes are through.
  void BytesDone(std::size_t count);
  // The phase's success or failure text.
  void Ended(bool succeeded);

 private:
  // The job's progress as it stands, on the stream.
  void Progress();

  RunObserver& observer_;
  int partitions_;
  LinkPhase phase_ = LinkPhase::Verify;
  int partitionsDone_ = 0;
  std::uint64_t transferTotal_ = 0;  // the transfer's data bytes; 0 while not known
  std::uint64_t lineBytes_ = 0;      // data bytes through so far
  RateMeter rate_;
};

}  // namespace tuneflash
