// LZO1X-1 compression and bounded LZO1X decompression (liblzo2).
#pragma once

#include <optional>

#include "dld/bytes.h"

namespace tuneflash {

// The LZO1X-1 stream of `raw`, ending with the end marker 11 00 00.
Bytes LzoCompress(ByteSpan raw);

// Decompresses `packed` into at most `maxRawSize` bytes with the safe decoder.
// Returns nothing when the stream is corrupt or would need more room.
std::optional<Bytes> LzoDecompress(ByteSpan packed, std::size_t maxRawSize);

}  // namespace tuneflash
