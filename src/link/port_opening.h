// What every serial port implementation does alike once its device is open,
// and how it names itself when the device goes away.
#pragma once

#include <string>

#include "link/com_port.h"

namespace tuneflash {

// Purges the input of `port` after `configured` succeeded. When either
// failed the port is closed and the failure becomes OpenFailed, its detail
// naming the device.
LinkStatus SettleOpenedPort(ComPort& port, LinkStatus configured);

// "COM.03 (/dev/ttyUSB0) went away", or "/dev/ttyUSB0 went away" for a port
// chosen by its device.
std::string WentAwayText(const ComPort& port);

}  // namespace tuneflash
