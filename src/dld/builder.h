// Building download files: partition and data records from raw images
// (LZO1X-1, or LZO1X-999 on request), and a whole file of one partition set.
#pragma once

#include <span>

#include "dld/bytes.h"
#include "dld/lzo_codec.h"
#include "dld/partition_sets.h"
#include "dld/records.h"

namespace tuneflash {

// Appends the partition record and data record of one partition to `file`.
// The header's total size field for a file of `fileSize` bytes. Throws
// std::length_error when the size does not fit its 24 bits.
std::uint32_t TotalSizeField(std::size_t fileSize);

// `raw` must be exactly `info.size` bytes. Returns the partition record.
// Throws std::length_error when the packed image needs more data blocks than
// the one-byte block count can name.
FILE_DOWNLOAD_PARTITION_T AppendPartition(Bytes& file, const PartitionInfo& info, ByteSpan raw,
                                          Compression compression = Compression::Lzo1x1);

// Pads `image` with 0xFF up to `size`. Throws std::length_error when it is larger.
Bytes PadImage(ByteSpan image, std::size_t size);

// A complete download file of `set`: `identity` supplies ident, texts and the
// reserved bytes; tag, length, type code, count, total size and check value are
// set here. `images` holds one raw image per partition, each at most its
// partition's size (padded with 0xFF).
Bytes BuildDownloadFile(const FILE_DOWNLOAD_HEADER_T& identity, PartitionSet set,
                        std::span<const Bytes> images, Compression compression = Compression::Lzo1x1);

// Sets tag, length and check value of `header` and returns its 71 bytes.
std::array<std::uint8_t, kHeaderRecordSize> SealHeader(FILE_DOWNLOAD_HEADER_T& header);

}  // namespace tuneflash
