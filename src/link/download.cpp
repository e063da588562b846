// The download sequence.
#include "link/download.h"

namespace tuneflash {

bool DownloadFile(ComPort& port, RunObserver& observer, const std::filesystem::path& file, int partitionCount,
                  const DownloadOptions& options) {
  (void)port, (void)observer, (void)file, (void)partitionCount, (void)options;
  return false;
}

}  // namespace tuneflash
