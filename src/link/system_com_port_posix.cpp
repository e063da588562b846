// The POSIX build's serial port.
#include "link/posix_com_port.h"
#include "link/system_com_port.h"

namespace tuneflash {

std::unique_ptr<ComPort> MakeSystemComPort() {
  return std::make_unique<PosixComPort>();
}

}  // namespace tuneflash
