// The data image: the eight Data partitions laid out as in flash from
// 0x401B0000, the two database slots in it, the packed database with its block
// check table, and the conversions between a Data download file and the image.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "dld/bytes.h"
#include "dld/records.h"

namespace tuneflash {

inline constexpr std::size_t kDataImageSize = 0x50000;
inline constexpr std::size_t kDatabaseImageSize = 0x3F000;
inline constexpr std::size_t kPartitionOutputArea = 0x1F000;  // decompression area of one partition
inline constexpr std::size_t kPackedOutputArea = 0x1F000;     // compression area of the database
inline constexpr std::uint32_t kDataImageBase = 0x401B0000;
inline constexpr int kDataPartitionCount = 8;

inline constexpr std::size_t kSlot1Start = 0x10000;
inline constexpr std::size_t kSlot2Start = 0x30000;
inline constexpr std::size_t kSlotHeaderSize = 80;
inline constexpr std::size_t kSlotMarkerOffset = 0x50;
inline constexpr std::size_t kSlotLengthOffset = 0x54;
inline constexpr std::size_t kSlotDataOffset = 0x58;
inline constexpr std::uint32_t kSlotMarker = 1;

inline constexpr std::size_t kBlockSize = 256;
inline constexpr std::int32_t kSmallLayoutMaxLength = 61432;  // 0xEFF8: the small layout up to here
inline constexpr std::size_t kSmallCoveredSize = 0xEFA8;      // 61,352 bytes, up to slot + 0xF000
inline constexpr std::size_t kSmallTableOffset = 0xF000;
inline constexpr std::size_t kLargeCoveredSize = 0x1EFA8;  // 126,888 bytes, up to slot + 0x1F000
inline constexpr std::size_t kLargeTableOffset = 0x1F000;

using SlotHeader = std::array<std::uint8_t, kSlotHeaderSize>;

// A data image or download file that cannot be converted; what() says why and where.
class DataImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Image offset of Data partition `index`; an index outside 1 to 7 gives 0.
std::size_t DataPartitionOffset(int index);
std::size_t DataPartitionSize(int index);

// Slot start for `databaseSlot` (0, 1 or 2): slot 1 only when it is 1.
std::size_t SlotStart(int databaseSlot);

struct DldImage {
  FILE_DOWNLOAD_HEADER_T header;  // bytes 0 to 70 of the source, as stored
  Bytes image;                    // kDataImageSize bytes
};

// Verifies the header and `partitionCount` partition/data record pairs of a
// Data download file and unpacks each into a 0xFF-filled data image. Throws
// DataImageError naming the failing record and its offset.
DldImage DldToImage(ByteSpan dld, int partitionCount);

// Decompresses `payload` and places it at the offset of partition `index`.
// The output is bounded to the partition's size: a stream that decodes to
// more, or a corrupt stream, throws DataImageError.
void UnpackPartition(Bytes& image, int index, ByteSpan payload);

// 1 when the marker at 0x10050 is 1, else 2 when the marker at 0x30050 is 1, else 0.
int DetectDatabaseSlot(ByteSpan image);

struct BlockTable {
  std::size_t position = 0;     // image offset of the table
  std::size_t coveredSize = 0;  // bytes covered from slot + 0x58
  std::vector<std::uint32_t> entries;
};

// The block check table of the slot `databaseSlot` selects, by the packed
// length stored there.
BlockTable ComputeBlockTable(ByteSpan image, int databaseSlot);

// Detects the slot and compares every stored table entry with its computed value.
bool CheckBlockTable(ByteSpan image);

// Computes the table of the slot and writes it at its position.
void WriteBlockTable(Bytes& image, int databaseSlot);

// The packed length stored in the slot, bounded by the covered area of its
// layout and by the image. Throws DataImageError when it is out of bounds.
std::size_t StoredPackedLength(ByteSpan image, int databaseSlot);

// Decompresses the slot's database into a 0xFF-filled database image of
// kDatabaseImageSize bytes. Throws DataImageError on a corrupt stream.
Bytes UnpackDatabase(ByteSpan image, int databaseSlot);

SlotHeader ReadSlotHeader(ByteSpan image, int databaseSlot);
void WriteSlotHeader(Bytes& image, int databaseSlot, const SlotHeader& header);

// Compresses a database image (LZO1X-1) into a new 0xFF-filled data image:
// marker, packed length and packed bytes in the slot. A packed database that
// does not fit a layout (61,353 to 61,432 bytes, or above 126,888) throws
// DataImageError and nothing is built.
Bytes PackDatabase(ByteSpan databaseImage, int databaseSlot);

// A Data download file of `partitionCount` partitions cut from `image`, with
// `header` (type code and count replaced, check value renewed).
Bytes ImageToDld(ByteSpan image, FILE_DOWNLOAD_HEADER_T header, int partitionCount);

}  // namespace tuneflash
