// The satellite table: reset, the satellite part of the database image,
// storing a whole satellite, and finding a satellite by its orbital position.
#pragma once

#include "boxdb/box_database.h"
#include "dld/bytes.h"

namespace tuneflash {

// The free state: box bytes 0-7 = 00 00 54 00 01 00 1E 14, the name
// "Uninstall", three free auto-scan words, byte 27 kept; show form all
// numbers 0 and texts empty. Slots outside 0..63 are ignored.
void ResetSatellite(BoxDatabase& db, Slot slot);
void ResetAllSatellites(BoxDatabase& db);

// The 64 satellites of the database image (slot i at 40 * i), both forms.
// `image` must hold kDatabaseImageSize bytes (else std::invalid_argument).
void ReadSatellitePart(BoxDatabase& db, ByteSpan image);
void WriteSatellitePart(const BoxDatabase& db, MutableByteSpan image);

// Puts the box form `satellite` into `slot` and decodes the show form from
// it. Slots outside 0..63 are ignored.
void StoreSatellite(BoxDatabase& db, Slot slot, const SATELLITE_INFO_T& satellite);

// The show form of one satellite, decoded from its box form.
SATELLITE_INFO_SHOW_T DecodeSatellite(const SATELLITE_INFO_T& satellite);

// The lowest slot whose show-form longitude (tenths of a degree) is exactly
// `longitude`, or -1.
Slot FindSatelliteByPos(const BoxDatabase& db, std::int16_t longitude);

// The show-form longitude of `slot` (0 outside 0..63).
std::int16_t GetSatellitePos(const BoxDatabase& db, Slot slot);

}  // namespace tuneflash
