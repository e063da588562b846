// What the erase and program waits saw instead of the results they wait
// for: the box's failure reports (and the partition each was for) apart
// from frames that are no result of the phase at all, such as the box's
// next hello. Turns them into the phase's reason.
#pragma once

#include <string>

#include "run/link_failure.h"

namespace tuneflash {

struct FlashMisses {
  int inRow = 0;            // misses since the last success
  int reportsInRow = 0;     // of them, the box's failure reports
  int reports = 0;          // failure reports in the whole phase
  int lastReportFor = 0;    // the partition the last failure report was for
  int lastUnexpected = -1;  // the status index of the last other frame
  bool anyUnexpected = false;

  // A miss while partition `awaited` was due: a failure report or another frame.
  void Note(bool failureReport, int status, int awaited);
  // The awaited result came: the misses in a row start over.
  void Succeeded() {
    inRow = 0;
    reportsInRow = 0;
  }
  // "the box reported an erase failure for partition 3 (2 reports); 6 frames
  // in a row that are no erase result, the last a hello".
  std::string Describe(bool erase) const;
  // The phase's failure: the failure reports' cause and partition when the
  // box sent any, otherwise Unexpected at `awaited`.
  LinkFailure Failure(bool erase, int awaited) const;
};

}  // namespace tuneflash
