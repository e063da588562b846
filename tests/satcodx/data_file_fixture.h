// Data download files as a box would hand them over, for the tests: the
// sample database of the library with satellites at given positions.
#pragma once

#include <memory>
#include <vector>

#include "satcodx/sample_database.h"

namespace tuneflash::testing {

inline std::unique_ptr<BoxDatabase> FreshDb() {
  return SampleDatabase({});
}

inline std::unique_ptr<BoxDatabase> StockDatabase(const std::vector<int>& positions) {
  std::vector<SampleSatellite> satellites;
  for (const int p : positions) satellites.push_back({p, "Sat " + std::to_string(p)});
  return SampleDatabase(satellites);
}

inline FILE_DOWNLOAD_HEADER_T BoxIdentity() {
  return SampleIdentity();
}

inline Bytes DataFileOf(const BoxDatabase& db, int slot) {
  return SampleDataFile(db, slot, SampleIdentity());
}

inline void PlaceSatellite(BoxDatabase& db, std::size_t slot, int longitude, const std::string& name) {
  tuneflash::PlaceSatellite(db, slot, longitude, name);
}

inline Slot AddChannelGroup(BoxDatabase& db, std::uint8_t sat, int frequency, int programs, int firstSid) {
  return AddSampleTransponder(db, sat, frequency, programs, firstSid);
}

}  // namespace tuneflash::testing
