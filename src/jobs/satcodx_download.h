// The SatcoDX download: read the box's Data set into the work file, import
// the lists into its channel database, and download the new file to the box.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <vector>

#include "dld/download_header.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/link_failure.h"
#include "satcodx/satcodx_import.h"

namespace tuneflash {

struct SatcoDxDownloadOptions {
  LinkTiming timing;
  // The two pauses of the sequence (2000 ms after a failed upload, 1000 ms
  // after a successful one); they do not pump. Tests shorten them.
  std::function<void(std::chrono::milliseconds)> pause;
};

// The whole operation for a box that has said hello. Succeeds when the new
// database was downloaded and programmed; otherwise says where and why.
LinkStatus DownloadSatcoDx(ComPort& port, DownloadHeaderState& header, const std::filesystem::path& workFile,
                           const std::vector<std::filesystem::path>& lists, SatcoDxSession& session,
                           const SatcoDxDownloadOptions& options = {});

}  // namespace tuneflash
