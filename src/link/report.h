// How the sequences put a status on the observer: the text of the status
// table (or a percentage text), then one pump so that it is painted before
// the next blocking step.
#pragma once

#include <string_view>

#include "link/run_observer.h"
#include "link/upgrade_status.h"

namespace tuneflash {

inline void ReportStatus(RunObserver& observer, int status) {
  if (const auto text = StatusText(status)) observer.ShowStatus(*text);
  observer.Pump();
}

// prefix + (done * 100 / total) + "%".
inline void ReportPercent(RunObserver& observer, std::string_view prefix, int done, int total) {
  observer.ShowStatus(PercentText(prefix, done, total));
  observer.Pump();
}

}  // namespace tuneflash
