// The mode list.
#include "app/run_state.h"

namespace tuneflash::app {

QStringList ModeListEntries() {
  return {QStringLiteral("Download"),   QStringLiteral("Upload Data"),   QStringLiteral("Upload Default"),
          QStringLiteral("Upload Key"), QStringLiteral("Upload Loader"), QStringLiteral("Upload App"),
          QStringLiteral("Upload ALL")};
}

RunMode RunModeForListIndex(int index) {
  return index == 0 ? RunMode::Download : RunMode::Upload;
}

}  // namespace tuneflash::app
