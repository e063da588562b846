// The mode list.
#include "app/run_state.h"

namespace tuneflash::app {

QStringList ModeListEntries() {
  return {QStringLiteral("Download"),   QStringLiteral("Upload Data"),   QStringLiteral("Upload Default"),
          QStringLiteral("Upload Key"), QStringLiteral("Upload Loader"), QStringLiteral("Upload App"),
          QStringLiteral("Upload ALL"), QStringLiteral("Verify")};
}

RunMode RunModeForListIndex(int index) {
  if (index == kVerifyListIndex) return RunMode::Verify;
  return index == 0 ? RunMode::Download : RunMode::Upload;
}

const char* RecordCommandName(RunMode mode) {
  switch (mode) {
    case RunMode::Download:
      return "download";
    case RunMode::SatcoDx:
      return "satcodx";
    case RunMode::Upload:
      return "upload";
    case RunMode::Verify:
      return "verify";
  }
  return "download";
}

}  // namespace tuneflash::app
