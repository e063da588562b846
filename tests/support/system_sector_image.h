// A system sector as the box writes it, for tests that need a system block
// the database must take as valid: fresh check values on the block, the
// block in the lowest slot, the rest erased.
#pragma once

#include <algorithm>

#include "boxdb/box_records.h"
#include "boxdb/image_layout.h"
#include "dld/bytes.h"
#include "dld/crc32.h"

namespace tuneflash::testing {

// `headerAreas` (at most the bytes before the lowest slot) are copied to the
// start of the sector.
inline Bytes SectorWithBlock(SYSTEM_DATA_BASE_T block, ByteSpan headerAreas = {}) {
  MutableByteSpan bytes(block.bytes);
  PutLe32(bytes, kBlockFirstCrcOffset, CalcCrc32(bytes.first(kBlockFirstAreaSize)));
  PutLe32(bytes, kBlockSecondCrcOffset,
          CalcCrc32(bytes.subspan(kBlockSecondAreaOffset, kBlockSecondAreaSize)));
  Bytes sector(kSystemSectorSize, 0xFF);
  const std::size_t headerSize = std::min(headerAreas.size(), kLowestSystemBlockSlot);
  std::copy_n(headerAreas.begin(), headerSize, sector.begin());
  std::copy(bytes.begin(), bytes.end(), sector.begin() + static_cast<std::ptrdiff_t>(kLowestSystemBlockSlot));
  return sector;
}

}  // namespace tuneflash::testing
