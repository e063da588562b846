// A small channel database and the Data download file that carries it, for
// trying a merge or the simulated box without a real box's data.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "boxdb/box_database.h"
#include "dld/bytes.h"
#include "dld/records.h"

namespace tuneflash {

struct SampleSatellite {
  int longitude;  // tenths of a degree
  std::string name;
};

// Astra 19.2E, Hotbird 13.0E, Astra 28.2E, Turksat 42.0E.
std::vector<SampleSatellite> DefaultSampleSatellites();

// Puts satellite `slot` at `longitude` with `name` (box form, then decoded).
void PlaceSatellite(BoxDatabase& db, std::size_t slot, int longitude, const std::string& name);

// Adds a transponder of satellite `sat` at `frequency` MHz (horizontal, 27500,
// FEC 3/4) and `programs` TV programs on it. Returns the transponder slot.
Slot AddSampleTransponder(BoxDatabase& db, std::uint8_t sat, int frequency, int programs, int firstServiceId);

// A database with `satellites` in slot order and three transponders of two
// programs on each.
std::unique_ptr<BoxDatabase> SampleDatabase(const std::vector<SampleSatellite>& satellites);

// A system sector (64 KiB) whose valid system block stands in its third slot.
Bytes SampleSystemSector(std::uint32_t seed);

// The identity of the sample box.
FILE_DOWNLOAD_HEADER_T SampleIdentity();

// The Data download file of `db`: the database packed into `slot` with its
// block table and a slot header, the sample system sector, `identity`.
Bytes SampleDataFile(const BoxDatabase& db, int slot, const FILE_DOWNLOAD_HEADER_T& identity);

// The box's 2 MiB flash from 0x40000000, erased but for the Data set that
// `dataFile` carries (a raw image for the simulated box's flash model).
Bytes SampleFlashImage(ByteSpan dataFile);

}  // namespace tuneflash
