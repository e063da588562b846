// The upload of one partition set from a box that has just said hello: the
// box's header record and the verdict, the request for the set's areas, then
// per area a partition record and the data record in blocks, each answered
// with ACK or NAK. The records become a download file.
#pragma once

#include <filesystem>
#include <optional>
#include <span>

#include "dld/download_header.h"
#include "dld/partition_sets.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "link/record_sink.h"
#include "run/run_observer.h"

namespace tuneflash {

// The set of a mode list index: 1 and 7 Data, 2 Default, 3 Key, 4 Loader,
// 5 App, 6 ALL; nothing for any other index.
std::optional<PartitionSet> UploadSetForModeIndex(int modeIndex);

// The partition count of a mode list index: 1 and 7 give 8, 2 gives 2, 3 gives
// 1, 4 gives 4, 5 gives 27, 6 gives 34, any other 0.
int PartitionCountForModeIndex(int modeIndex);

// Where the records go while an upload runs: beside `target`, renamed over it
// only when every partition has arrived.
std::filesystem::path PartialUploadPath(const std::filesystem::path& target);

// The upload proper, from the box's header to the last block of the last
// area: asks for `areas` (attribute, flash address, size each) and writes
// every record received into `sink` at its offset in the download file they
// make up, the header fixed for that many partitions. UploadFile and verify
// share it. Failures show "Verify failed!" or "Transfer failed!".
LinkStatus ReceiveUpload(ComPort& port, RunObserver& observer, RecordSink& sink,
                         std::span<const PartitionInfo> areas, const LinkTiming& timing = {});

// Reads `set` out of the box into the download file `target`. Succeeds when
// every partition arrived; otherwise says where and why. The records are written to PartialUploadPath(target)
// and that file replaces `target` only on success, so a failed run leaves an existing target untouched and
// keeps what arrived in the partial file. Afterwards `header` holds (and shows) the header as received from
// the box; on success the file's size is stamped into it. Failures show "Verify failed!" or "Transfer
// failed!".
LinkStatus UploadFile(ComPort& port, RunObserver& observer, DownloadHeaderState& header,
                      const std::filesystem::path& target, PartitionSet set, const LinkTiming& timing = {});

}  // namespace tuneflash
