// Verify: reads back from a box that has just said hello exactly the
// partitions a download file holds (an upload request naming the file's
// areas), into memory, and compares each partition's raw image with the
// file's. Nothing is written to disk.
#pragma once

#include <vector>

#include "dld/partition_compare.h"
#include "dld/record_reader.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/link_failure.h"
#include "run/run_observer.h"

namespace tuneflash {

struct VerifyResult {
  // Fails when the read-back failed, or with "partition i differs at
  // 0x..." (phase Verify) when a partition is not the file's.
  LinkStatus status = LinkOk();
  // One per partition of the file: same, differs (where) or not read.
  std::vector<PartitionComparison> partitions;
};

// `expected` is the file, verified and read with its images kept. Shows the
// upload's status texts ("Verify...", "Transfer...", ...).
VerifyResult VerifyBox(ComPort& port, RunObserver& observer, const VerifyReport& expected,
                       const LinkTiming& timing = {});

}  // namespace tuneflash
