// The registry of running simulated boxes: one file per box.
#include "link/box_registry.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "dld/file_io.h"
#include "link/process_facts.h"

namespace tuneflash {
namespace {

constexpr std::string_view kEntryPrefix = "box-";

// The pid in an entry name "box-<pid>-<device>", or 0.
ProcessId PidOfEntry(const std::string& name) {
  if (name.rfind(kEntryPrefix, 0) != 0) return 0;
  ProcessId pid = 0;
  for (std::size_t i = kEntryPrefix.size(); i < name.size() && name[i] != '-'; ++i) {
    if (name[i] < '0' || name[i] > '9' || pid > 10'000'000) return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  return pid;
}

std::string Sanitised(const std::string& device) {
  std::string out;
  for (const char c : device) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return out;
}

}  // namespace

std::vector<PortDevice> ListAnnouncedBoxes(const std::filesystem::path& registry) {
  struct Found {
    std::filesystem::file_time_type time;
    std::string name;
    PortDevice device;
  };
  std::vector<Found> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(registry, ec)) {
    const std::string name = entry.path().filename().string();
    const ProcessId pid = PidOfEntry(name);
    if (pid == 0) continue;
    if (!ProcessRuns(pid)) {
      std::filesystem::remove(entry.path(), ec);
      continue;
    }
    std::ifstream in(entry.path());
    std::string device;
    if (!std::getline(in, device) || device.empty()) continue;
    found.push_back({entry.last_write_time(ec),
                     name,
                     {device, "simulated box (tuneflash-boxsim, pid " + std::to_string(pid) + ")"}});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return a.time != b.time ? a.time < b.time : a.name < b.name;
  });
  std::vector<PortDevice> devices;
  for (auto& f : found) devices.push_back(std::move(f.device));
  return devices;
}

BoxAnnouncement::BoxAnnouncement(const std::filesystem::path& registry, const std::string& devicePath) {
  std::error_code ec;
  std::filesystem::create_directories(registry, ec);
  if (ec) throw FileError(registry, "cannot create the box registry: " + ec.message());
  file_ = registry /
          (std::string(kEntryPrefix) + std::to_string(CurrentProcessId()) + "-" + Sanitised(devicePath));
  const std::string line = devicePath + "\n";
  WriteFileAtomically(file_, ByteSpan(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
}

BoxAnnouncement::~BoxAnnouncement() {
  std::error_code ec;
  std::filesystem::remove(file_, ec);
}

}  // namespace tuneflash
