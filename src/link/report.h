// The one place where what the sequences do becomes the status texts of the
// status table: a status by index, and the phases of a run (verify, transfer,
// erase, program) with their running, percentage and result texts, their
// progress steps and their typed progress events.
#pragma once

#include <cstddef>
#include <string_view>

#include "link/link_failure.h"
#include "link/run_observer.h"

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
  void Emit(ProgressEvent::Kind kind, ProgressEvent::Unit unit, std::size_t done, std::size_t total,
            bool succeeded = true);

  RunObserver& observer_;
  int partitions_;
  LinkPhase phase_ = LinkPhase::Verify;
  std::size_t bytesDone_ = 0;
  std::size_t bytesTotal_ = 0;
};

}  // namespace tuneflash
