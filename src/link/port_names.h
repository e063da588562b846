// Port names as the window and the CLI know them. The window lists ten
// entries, "COM.01" to "COM.10"; entry k opens the k-th device of an ordered
// list: the machine's serial ports (USB and ACM adapters first), then the
// simulated boxes that tuneflash-boxsim announces. On POSIX "COM1".."COM10"
// name the same entries; on Windows they are the ports' own names ("COM1" ..
// "COM256"). Any other name is taken as a device path.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tuneflash {

inline constexpr int kPortEntryCount = 10;

// One device that a port entry can open.
struct PortDevice {
  std::string path;         // e.g. /dev/ttyUSB0, /tmp/box1 (a simulated box's link)
  std::string description;  // e.g. "USB serial adapter", "simulated box (pid 1234)"
};

// One entry of the port list.
struct PortEntry {
  std::string name;     // "COM.01" .. "COM.10"
  std::string device;   // the device it opens; empty when there is none
  std::string tooltip;  // names the device, or says that there is none
};

// The machine's serial ports, adapters first, then the others, each group in
// name order: libserialport's list on POSIX (USB and ACM adapters first); on
// Windows SetupAPI's COM ports and HARDWARE\DEVICEMAP\SERIALCOMM (USB first).
std::vector<PortDevice> ListMachinePorts();

// True where "COM1".."COM10" name entries (POSIX); false where they name the
// ports themselves (Windows).
bool ShortComNamesAreEntries();

// The ten entries over `devices` (machine ports first, then simulated boxes).
std::vector<PortEntry> MakePortEntries(const std::vector<PortDevice>& devices);

// Machine ports and the boxes announced in `registry` (see box_registry.h).
std::vector<PortDevice> ListPortDevices(const std::filesystem::path& registry);

// The 0-based entry index of "COM.01".."COM.10", or of "COM1".."COM10" where
// those name entries (case-insensitive); nothing for any other text.
std::optional<int> PortEntryIndex(std::string_view name);

// The device that `name` opens: an entry name maps through `devices`; any
// other text is a device path and returned as it is. Nothing when an entry
// name has no device behind it.
std::optional<std::string> ResolvePortName(std::string_view name, const std::vector<PortDevice>& devices);

}  // namespace tuneflash
