// Port entries: the machine's serial ports, then the announced simulated boxes.
#include "link/port_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "link/box_registry.h"

namespace tuneflash {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::vector<PortEntry> MakePortEntries(const std::vector<PortDevice>& devices) {
  std::vector<PortEntry> entries;
  for (int k = 0; k < kPortEntryCount; ++k) {
    char name[8];
    std::snprintf(name, sizeof name, "COM.%02d", k + 1);
    PortEntry entry{name, "", ""};
    if (static_cast<std::size_t>(k) < devices.size()) {
      entry.device = devices[k].path;
      entry.tooltip = devices[k].path + " (" + devices[k].description + ")";
    } else {
      entry.tooltip = "no serial device behind this entry";
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<PortDevice> ListPortDevices(const std::filesystem::path& registry) {
  std::vector<PortDevice> devices = ListMachinePorts();
  for (auto& box : ListAnnouncedBoxes(registry)) devices.push_back(std::move(box));
  return devices;
}

std::optional<int> PortEntryIndex(std::string_view name) {
  const std::string upper = Upper(name);
  std::string_view digits;
  if (upper.rfind("COM.", 0) == 0 && upper.size() == 6) {
    digits = std::string_view(upper).substr(4);
  } else if (ShortComNamesAreEntries() && upper.rfind("COM", 0) == 0 &&
             (upper.size() == 4 || upper.size() == 5) && upper[3] != '0') {
    digits = std::string_view(upper).substr(3);
  } else {
    return std::nullopt;
  }
  int number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < 1 || number > kPortEntryCount) return std::nullopt;
  return number - 1;
}

std::optional<std::string> ResolvePortName(std::string_view name, const std::vector<PortDevice>& devices) {
  const auto index = PortEntryIndex(name);
  if (!index) return std::string(name);
  if (static_cast<std::size_t>(*index) >= devices.size()) return std::nullopt;
  return devices[*index].path;
}

}  // namespace tuneflash
