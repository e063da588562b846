// The system sector: the header areas and the system block, the highest
// valid copy of which is decoded; its one change by the tool (clearing the
// program references that name a deleted program); and writing a new sector.
#pragma once

#include "boxdb/box_database.h"
#include "boxdb/image_layout.h"
#include "dld/bytes.h"

namespace tuneflash {

// Keeps the two header areas of `sector` (the first kSystemSectorSize bytes
// of the raw data partition image) and takes the valid system block copy at
// the highest address into the box form, decoding it into the show form.
// Without a valid copy the box form gets the lowest slot's bytes and the show
// form stays as it was; the result then is false. db.systemBlockValid holds
// the result. Bytes beyond the end of a
// shorter `sector` read as 0xFF.
bool DecodeSystemSector(BoxDatabase& db, ByteSpan sector);

// Writes the two header areas and the system block, as the lowest slot with a
// fresh first check value, into `dataImage` (filled with 0xFF by the caller,
// at least kSystemSectorSize bytes, else std::invalid_argument). The new check
// value is also stored in the box form. std::invalid_argument, and nothing
// written, when no valid system block was decoded.
void EncodeSystemSector(BoxDatabase& db, MutableByteSpan dataImage);

// True when the 256 bytes of `block` have both check values right.
bool IsValidSystemBlock(ByteSpan block);

// The show form of a system block.
SYSTEM_DATA_BASE_SHOW_T DecodeSystemBlock(const SYSTEM_DATA_BASE_T& block);

// Clears every program reference of the system block that names `program`:
// indexes to -1, its bytes of the six groups to 0, its mode to 0, in both
// forms; sets SystemBlockChanged when one was cleared. Does nothing when no
// valid system block was decoded: the source's sector is then carried as it
// was.
void ClearProgramRefs(BoxDatabase& db, Slot program);

inline bool SystemBlockChanged(const BoxDatabase& db) {
  return db.systemBlockChanged();
}
void ClearSystemBlockChanged(BoxDatabase& db);

}  // namespace tuneflash
