// The Start loop: hello, sequence, verdict, next box.
#include "link/start_loop.h"

#include "link/report.h"
#include "link/upgrade_status.h"

namespace tuneflash {

StartLoopResult RunStartLoop(ComPort& port, RunObserver& observer,
                             const std::function<LinkStatus()>& sequence, const StartLoopOptions& options) {
  StartLoopResult result;
  bool repeat = true;
  while (repeat) {
    repeat = false;
    result.failure.reset();
    observer.OnEvent(WaitingForBox{});
    ReportStatus(observer, kConnecting);
    const LinkStatus hello = ConnectBox(port, observer, options.timing);
    if (hello) {
      if (options.sequenceRunning) options.sequenceRunning(true);
      const LinkStatus pass = sequence();
      repeat = pass.has_value();
      if (!pass) result.failure = pass.error();
    } else {
      result.failure = hello.error();
      if (port.PortOpen()) ReportStatus(observer, kConnectFailed);
    }
    observer.SetRunControlsEnabled(true);
    if (options.sequenceRunning) options.sequenceRunning(false);
    result.lastSucceeded = repeat;
    if (repeat) {
      ++result.boxesSucceeded;
      ReportStatus(observer, kUpdateSuccess);
      const bool more =
          options.nextBoxAfterSuccess && (options.maxBoxes == 0 || result.boxesSucceeded < options.maxBoxes);
      if (!more) break;
      if (options.pauseAfterSuccess) options.pauseAfterSuccess();
      if (!port.PortOpen()) {
        result.stoppedByUser = true;
        break;
      }
      continue;
    }
    const bool gone = result.failure && result.failure->cause == FailureCause::PortGone;
    if (port.PortOpen() || gone) {
      ReportStatus(observer, kUpdateFailed);
    } else {
      result.stoppedByUser = true;
    }
    if (result.failure) observer.ReportFailure(*result.failure);
  }
  return result;
}

}  // namespace tuneflash
