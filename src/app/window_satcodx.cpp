// The window's SatcoDX download.
#include "app/window_satcodx.h"

#include "jobs/satcodx_download.h"

namespace tuneflash::app {

WindowSatcoDx::WindowSatcoDx(TFormMain& form) : db_(std::make_unique<BoxDatabase>()) {
  form.SetSatcoDxSequence([this](const SatcoDxRun& run) { return Run(run); });
}

LinkStatus WindowSatcoDx::Run(const SatcoDxRun& run) {
  conversion_.workDirectory = run.workFile.parent_path();
  conversion_.partitionCount = run.partitionCount;
  SatcoDxDownloadOptions options;
  options.timing = run.timing;
  options.pause = pause_;
  SatcoDxSession session{*db_, conversion_, run.observer, {}, {}};
  return DownloadSatcoDx(run.port, run.header, run.workFile, run.satcoDxFiles, session, options);
}

}  // namespace tuneflash::app
