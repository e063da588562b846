// The station and the id of a command run.
#include "runlog/run_origin.h"

#include <array>
#include <cstdio>
#include <random>

#include "link/process_facts.h"

namespace tuneflash {

std::string NewRunId() {
  std::random_device random;
  std::array<std::uint8_t, 16> bytes{};
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  std::string id;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    id += hex;
  }
  return id;
}

RunOrigin RunOrigin::OfThisRun(const std::string& station) {
  RunOrigin origin;
  origin.station = station;
  if (origin.station.empty()) {
    origin.station = HostName();
    if (origin.station.empty()) origin.station = "unknown";
  }
  origin.runId = NewRunId();
  return origin;
}

}  // namespace tuneflash
