// The serial port of the platform the program runs on: PosixComPort on
// POSIX, Win32ComPort on Windows.
#pragma once

#include <memory>

#include "link/com_port.h"

namespace tuneflash {

std::unique_ptr<ComPort> MakeSystemComPort();

}  // namespace tuneflash
