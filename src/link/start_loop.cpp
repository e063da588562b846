// The Start loop: hello, sequence, verdict, next box.
#include "link/start_loop.h"

#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

void Show(RunObserver& observer, int status) {
  observer.ShowStatus(*StatusText(status));
  observer.Pump();
}

}  // namespace

StartLoopResult RunStartLoop(ComPort& port, RunObserver& observer, const std::function<bool()>& sequence,
                             const StartLoopOptions& options) {
  StartLoopResult result;
  bool repeat = true;
  while (repeat) {
    repeat = false;
    observer.ResetProgress();
    Show(observer, kConnecting);
    if (ConnectBox(port, observer, options.timing)) {
      if (options.sequenceRunning) options.sequenceRunning(true);
      repeat = sequence();
    } else if (port.PortOpen()) {
      Show(observer, kConnectFailed);
    }
    observer.SetRunControlsEnabled(true);
    if (options.sequenceRunning) options.sequenceRunning(false);
    result.lastSucceeded = repeat;
    if (repeat) {
      ++result.boxesSucceeded;
      Show(observer, kUpdateSuccess);
      const bool more =
          options.nextBoxAfterSuccess && (options.maxBoxes == 0 || result.boxesSucceeded < options.maxBoxes);
      if (!more) break;
      if (options.pauseAfterSuccess) options.pauseAfterSuccess();
      if (!port.PortOpen()) {
        result.stoppedByUser = true;
        break;
      }
    } else if (port.PortOpen()) {
      Show(observer, kUpdateFailed);
    } else {
      result.stoppedByUser = true;
    }
  }
  return result;
}

}  // namespace tuneflash
