// The machine's serial ports on Windows: the COM ports SetupAPI lists, and
// the ones only HARDWARE\DEVICEMAP\SERIALCOMM names (ports without a Plug and
// Play device), and the COM names of the object manager (the ports wine maps
// to a host's devices).
#include <windows.h>
// clang-format off: setupapi.h and devguid.h need windows.h first
#include <devguid.h>
#include <initguid.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cctype>

#include "link/port_names.h"

namespace tuneflash {
namespace {

// The number of "COM<n>", or 0 for any other name.
int ComNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, "COM") != 0) return 0;
  int number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

bool IsAdapter(const PortDevice& port) {
  return port.description.find("USB") != std::string::npos;
}

bool IsKnown(const std::vector<PortDevice>& ports, const std::string& name) {
  return std::any_of(ports.begin(), ports.end(), [&](const PortDevice& p) { return p.path == name; });
}

std::string RegistryText(HKEY key, const char* value) {
  char text[256] = {};
  DWORD size = sizeof text - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return std::string(text, strnlen(text, size));
}

void AddSetupApiPorts(std::vector<PortDevice>& ports) {
  HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    const std::string name = RegistryText(key, "PortName");
    RegCloseKey(key);
    if (ComNumber(name) == 0) continue;
    char friendly[256] = {};
    const bool described =
        SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(friendly), sizeof friendly - 1, nullptr);
    ports.push_back({name, described ? std::string(friendly) : "serial port"});
  }
  SetupDiDestroyDeviceInfoList(set);
}

void AddSerialCommPorts(std::vector<PortDevice>& ports) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return;
  for (DWORD index = 0;; ++index) {
    char valueName[256] = {};
    DWORD nameSize = sizeof valueName;
    char data[64] = {};
    DWORD dataSize = sizeof data - 1;
    DWORD type = 0;
    if (RegEnumValueA(key, index, valueName, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                      &dataSize) != ERROR_SUCCESS)
      break;
    const std::string name(data, strnlen(data, dataSize));
    if (type != REG_SZ || ComNumber(name) == 0) continue;
    if (!IsKnown(ports, name)) ports.push_back({name, "serial port (" + std::string(valueName) + ")"});
  }
  RegCloseKey(key);
}

// The COM names the object manager knows (QueryDosDevice on COM1..COM256):
// ports of drivers that register in neither place, and the ones wine maps
// to a host's devices.
void AddDosDevicePorts(std::vector<PortDevice>& ports) {
  for (int number = 1; number <= 256; ++number) {
    const std::string name = "COM" + std::to_string(number);
    char target[512] = {};
    if (QueryDosDeviceA(name.c_str(), target, sizeof target) == 0 || IsKnown(ports, name)) continue;
    ports.push_back({name, "serial port (" + std::string(target) + ")"});
  }
}

}  // namespace

std::vector<PortDevice> ListMachinePorts() {
  std::vector<PortDevice> ports;
  AddSetupApiPorts(ports);
  AddSerialCommPorts(ports);
  AddDosDevicePorts(ports);
  std::stable_sort(ports.begin(), ports.end(), [](const PortDevice& a, const PortDevice& b) {
    if (IsAdapter(a) != IsAdapter(b)) return IsAdapter(a);
    return ComNumber(a.path) < ComNumber(b.path);
  });
  return ports;
}

bool ShortComNamesAreEntries() {
  return false;
}

}  // namespace tuneflash
