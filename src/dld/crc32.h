// The one check value of the system: CRC-32/MPEG-2 (polynomial 0x04C11DB7,
// initial 0xFFFFFFFF, not reflected, no final XOR), stored least significant byte first.
#pragma once

#include <cstdint>

#include "dld/bytes.h"

namespace tuneflash {

// Check value over all bytes of `data`. An empty span yields 0xFFFFFFFF.
std::uint32_t CalcCrc32(ByteSpan data);

// Check value over the first `count` bytes of `data`; a count of 0 or less
// yields 0xFFFFFFFF. Throws std::out_of_range when `count` exceeds the span.
std::uint32_t CalcCrc32(ByteSpan data, long count);

}  // namespace tuneflash
