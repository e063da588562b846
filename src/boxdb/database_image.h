// The decompressed database image <-> BoxDatabase, and the reset to an empty
// database. Pure functions over byte spans: the caller reads and writes files.
#pragma once

#include "boxdb/box_database.h"
#include "boxdb/image_layout.h"
#include "dld/bytes.h"

namespace tuneflash {

// Loads every table from `image`, in the order satellites, satellite
// transponders, terrestrial transponders, program part, into both forms.
// Bytes beyond the end of a shorter `image` read as erased flash (0xFF);
// bytes beyond kDatabaseImageSize are ignored. Out-of-range fields decode by
// the limit rule; nothing is re-checked (the caller resets first).
void DecodeDatabaseImage(BoxDatabase& db, ByteSpan image);

// A new database image of kDatabaseImageSize bytes: 0xFF everywhere, every
// table's box form at its offset.
Bytes EncodeDatabaseImage(const BoxDatabase& db);

// Every table to its free state in both forms and the headers to their reset
// values; EditMode to Idle and SystemBlockChanged cleared. The system block
// and the two sector header areas are kept.
void ResetDatabase(BoxDatabase& db);

}  // namespace tuneflash
