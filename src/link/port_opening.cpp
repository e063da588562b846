// Opening steps and texts shared by the serial port implementations.
#include "link/port_opening.h"

namespace tuneflash {

LinkStatus SettleOpenedPort(ComPort& port, LinkStatus configured) {
  LinkStatus ok = configured ? port.PurgeComPort() : configured;
  if (ok) return ok;
  LinkFailure failure = ok.error();
  port.CloseComPort();
  failure.cause = FailureCause::OpenFailed;
  const std::string& device = port.DeviceName();
  if (failure.detail.find(device) == std::string::npos) failure.detail = device + ": " + failure.detail;
  return failure;
}

std::string WentAwayText(const ComPort& port) {
  const std::string& device = port.DeviceName();
  return (port.PortLabel().empty() ? device : port.PortLabel() + " (" + device + ")") + " went away";
}

}  // namespace tuneflash
