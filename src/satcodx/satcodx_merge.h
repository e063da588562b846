// Merging one parsed SatcoDX line into the channel database: find or add its
// transponder on the line's satellite, then add its program.
#pragma once

#include <functional>

#include "boxdb/box_database.h"
#include "satcodx/satcodx_record.h"

namespace tuneflash {

// What became of one line.
enum class SatcoDxLineOutcome {
  Merged,            // its program was added
  DataService,       // a data service: the box list takes none
  UnknownSatellite,  // its position names no satellite of the table
  DatabaseFull,      // no room: the satellite's transponders, the table or the transponder's programs
  DoesNotFit,        // a value too wide for its field
};

struct SatcoDxLineResult {
  SatcoDxLineOutcome outcome = SatcoDxLineOutcome::Merged;
  bool transponderAdded = false;
};

// The staging transponder and program live as long as the merger: a field a
// line does not set keeps what an earlier line gave it.
class SatcoDxMerger {
 public:
  using Pump = std::function<void()>;

  // Merges `line`: a line whose satellite is not in the table, or whose
  // transponder or program is refused, is skipped; the result says which and
  // why. Pumps twice per merged line.
  SatcoDxLineResult MergeSatcoDxRecord(BoxDatabase& db, const SATCODX_INFO_SHOW_T& line,
                                       const Pump& pump = nullptr);

  const SAT_TRANSPONDER_INFO_SHOW_T& stagingTp() const { return stagingTp_; }
  const PROGRAM_INFO_SHOW_T& stagingProgram() const { return stagingProgram_; }

 private:
  SAT_TRANSPONDER_INFO_SHOW_T stagingTp_;
  PROGRAM_INFO_SHOW_T stagingProgram_;
};

}  // namespace tuneflash
