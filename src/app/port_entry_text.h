// The text of a port list entry: its name and the device it opens, so the
// list itself tells the USB adapter from the simulated box.
#pragma once

#include <string>

#include "link/port_names.h"

namespace tuneflash::app {

// "COM.03 — USB adapter ttyUSB0", "COM.04 — simulated box",
// "COM.02 — serial port ttyS1"; the bare name when no device is behind it.
std::string PortEntryText(const PortEntry& entry, const PortDevice* device);

}  // namespace tuneflash::app
