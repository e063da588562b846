// Merging one parsed SatcoDX line into the channel database: find or add its
// transponder on the line's satellite, then add its program.
#pragma once

#include <functional>

#include "boxdb/box_database.h"
#include "satcodx/satcodx_record.h"

namespace tuneflash {

// The staging transponder and program live as long as the merger: a field a
// line does not set keeps what an earlier line gave it.
class SatcoDxMerger {
 public:
  using Pump = std::function<void()>;

  // Merges `line`: a line whose satellite is not in the table, or whose
  // transponder or program is refused, is skipped. Pumps twice per merged line.
  void MergeSatcoDxRecord(BoxDatabase& db, const SATCODX_INFO_SHOW_T& line, const Pump& pump = nullptr);

  const SAT_TRANSPONDER_INFO_SHOW_T& stagingTp() const { return stagingTp_; }
  const PROGRAM_INFO_SHOW_T& stagingProgram() const { return stagingProgram_; }

 private:
  SAT_TRANSPONDER_INFO_SHOW_T stagingTp_;
  PROGRAM_INFO_SHOW_T stagingProgram_;
};

}  // namespace tuneflash
