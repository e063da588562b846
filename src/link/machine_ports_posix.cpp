// The machine's serial ports on POSIX, through libserialport.
#include <libserialport.h>

#include <algorithm>

#include "link/port_names.h"

namespace tuneflash {
namespace {

bool IsAdapter(const std::string& path) {
  return path.find("ttyUSB") != std::string::npos || path.find("ttyACM") != std::string::npos;
}

}  // namespace

std::vector<PortDevice> ListMachinePorts() {
  std::vector<PortDevice> ports;
  sp_port** list = nullptr;
  if (sp_list_ports(&list) != SP_OK || list == nullptr) return ports;
  for (sp_port** p = list; *p != nullptr; ++p) {
    const char* name = sp_get_port_name(*p);
    const char* description = sp_get_port_description(*p);
    if (name == nullptr) continue;
    ports.push_back({name, description != nullptr ? description : "serial port"});
  }
  sp_free_port_list(list);
  std::stable_sort(ports.begin(), ports.end(), [](const PortDevice& a, const PortDevice& b) {
    if (IsAdapter(a.path) != IsAdapter(b.path)) return IsAdapter(a.path);
    return a.path < b.path;
  });
  return ports;
}

bool ShortComNamesAreEntries() {
  return true;
}

}  // namespace tuneflash
