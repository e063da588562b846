// LZO1X compression (LZO1X-1 or LZO1X-999) and bounded LZO1X decompression (liblzo2).
#pragma once

#include <optional>

#include "dld/bytes.h"

namespace tuneflash {

// The compressor of a data record. Both write the same LZO1X stream format, so
// every LZO1X decoder (the box's included) reads either; LZO1X-999 gives
// fewer bytes at a much higher compression time. LZO1X-1 is the default and
// what every file the box itself sends back holds.
enum class Compression { Lzo1x1, Lzo1x999 };

// The most an LZO1X compressor writes for `rawSize` bytes of input.
std::size_t LzoWorstCaseSize(std::size_t rawSize);

// The LZO1X stream of `raw`, ending with the end marker 11 00 00. The
// LZO1X-999 stream is also run through lzo1x_optimize and is checked to
// decode back to `raw` before it is returned. Throws std::runtime_error when
// the library fails.
Bytes LzoCompress(ByteSpan raw, Compression compression = Compression::Lzo1x1);

// Decompresses `packed` into at most `maxRawSize` bytes with the safe decoder.
// Returns nothing when the stream is corrupt or would need more room.
std::optional<Bytes> LzoDecompress(ByteSpan packed, std::size_t maxRawSize);

}  // namespace tuneflash
