// The Start loop shared by the front ends: say "Connectting...", wait for the
// box's hello, run the sequence, report "Update Success!" or
// "Update failed!", and after a successful download wait for the next box.
#pragma once

#include <functional>
#include <optional>

#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/link_failure.h"
#include "run/run_observer.h"

namespace tuneflash {

struct StartLoopOptions {
  // Go on with the next box after a success (download); otherwise one pass.
  bool nextBoxAfterSuccess = false;
  // Stop after this many successful boxes; 0 for no limit.
  int maxBoxes = 0;
  // The pause after "Update Success!" before the next box (1500 ms, no
  // pumping); it is left out when no next box follows.
  std::function<void()> pauseAfterSuccess;
  // Called with true once the box has said hello and with false at the end
  // of every pass (the window locks and frees its ident field).
  std::function<void(bool running)> sequenceRunning;
  LinkTiming timing;
};

struct StartLoopResult {
  int boxesSucceeded = 0;
  bool lastSucceeded = false;
  bool stoppedByUser = false;  // the port was closed during the run
  // Why the last pass failed (also given to the observer's ReportFailure).
  std::optional<LinkFailure> failure;
};

// Runs passes until one fails, the user closes the port, or the options say
// stop. `sequence` is DownloadFile, UploadFile or the SatcoDX run, bound to
// its file; the port must be open. A failed pass shows its status texts
// ("Connect failed!" when the first frame was not the hello, "Update
// failed!" unless the user closed the port), then its reason goes to the
// observer's ReportFailure.
StartLoopResult RunStartLoop(ComPort& port, RunObserver& observer,
                             const std::function<LinkStatus()>& sequence, const StartLoopOptions& options);

}  // namespace tuneflash
