// SHA-256 of a byte sequence, as the run record names a file by it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dld/bytes.h"

namespace tuneflash {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(ByteSpan data);

// 64 lower-case hex digits.
std::string Sha256Hex(ByteSpan data);

}  // namespace tuneflash
