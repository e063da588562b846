// The download to a box that has just said hello: the header record and its
// verdict, every partition record and data record in acknowledged blocks,
// then one erase result and one program result per partition.
#pragma once

#include <filesystem>

#include "link/com_port.h"
#include "link/link_file.h"
#include "link/link_waits.h"
#include "run/link_failure.h"
#include "run/run_observer.h"

namespace tuneflash {

struct DownloadOptions {
  // "Connect Success!" opens the sequence; the SatcoDX run leaves it out.
  bool showConnectSuccess = true;
  LinkTiming timing;
};

// Sends `file` (`partitionCount` partitions, the header's byte 52) to the box.
// Succeeds when the box reported programming success for every partition.
// Reports every step through `observer`; failures show "Verify failed!",
// "Transfer failed!", "Erase flash failed!" or "Program flash failed!" and
// return where and why. Closing the port ends the sequence at its next poll
// with the failure text of the running step. A file that cannot be opened
// for reading and writing fails the header check.
LinkStatus DownloadFile(ComPort& port, RunObserver& observer, const std::filesystem::path& file,
                        int partitionCount, const DownloadOptions& options = {});

// The same with the file read once before (every box of a run gets the
// same bytes, whatever happens to the file on disk meanwhile).
LinkStatus DownloadFile(ComPort& port, RunObserver& observer, const LinkFile& file,
                        const DownloadOptions& options = {});

}  // namespace tuneflash
