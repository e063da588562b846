// Port list entry texts.
#include "app/port_entry_text.h"

#include <filesystem>

namespace tuneflash::app {

std::string PortEntryText(const PortEntry& entry, const PortDevice* device) {
  if (device == nullptr || entry.device.empty()) return entry.name;
  const std::string node = std::filesystem::path(device->path).filename().string();
  std::string kind;
  if (device->description.starts_with("simulated box")) {
    kind = "simulated box";
  } else if (node.starts_with("ttyUSB") || node.starts_with("ttyACM")) {
    kind = "USB adapter " + node;
  } else {
    kind = "serial port " + node;
  }
  return entry.name + " \u2014 " + kind;
}

}  // namespace tuneflash::app
