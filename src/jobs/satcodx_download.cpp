// SatcoDX download sequence.
#include "jobs/satcodx_download.h"

#include <thread>

#include "link/download.h"
#include "link/upgrade_status.h"
#include "link/upload.h"

namespace tuneflash {
namespace {

void Show(RunObserver& observer, int status) {
  if (const auto text = StatusText(status)) observer.ShowStatus(*text);
  observer.Pump();
}

void Pause(const SatcoDxDownloadOptions& options, std::chrono::milliseconds duration) {
  if (options.pause) {
    options.pause(duration);
  } else {
    std::this_thread::sleep_for(duration);
  }
}

}  // namespace

LinkStatus DownloadSatcoDx(ComPort& port, DownloadHeaderState& header, const std::filesystem::path& workFile,
                           const std::vector<std::filesystem::path>& lists, SatcoDxSession& session,
                           const SatcoDxDownloadOptions& options) {
  RunObserver& observer = session.observer;
  if (auto uploaded = UploadFile(port, observer, header, workFile, PartitionSet::Data, options.timing);
      !uploaded) {
    Show(observer, kSatcoDxUpdateFailed);
    Pause(options, std::chrono::milliseconds(2000));
    return uploaded;
  }
  Show(observer, kSatcoDxUpdateSuccess);
  Pause(options, std::chrono::milliseconds(1000));
  Show(observer, kSatcoDxInputting);
  LinkFailure f;
  f.phase = LinkPhase::Import;
  f.device = port.DeviceName();
  try {
    if (!ImportSatcoDxFiles(workFile, lists, session)) {
      f.detail = "the SatcoDX lists could not be merged into '" + workFile.string() + "'";
      return f;
    }
  } catch (const std::exception& e) {
    // A list that cannot be read or does not convert: where and why.
    f.detail = e.what();
    return f;
  }
  Show(observer, kSatcoDxDownloadStart);
  DownloadOptions download;
  download.showConnectSuccess = false;
  download.timing = options.timing;
  return DownloadFile(port, observer, workFile, kDataPartitionCount, download);
}

}  // namespace tuneflash
