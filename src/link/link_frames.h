// Everything that crosses the line, as bytes: control bytes, status frames,
// data blocks and the upload request frame. Pure functions, used by the PC's
// sequences and by the simulated box alike.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dld/bytes.h"
#include "dld/partition_sets.h"

namespace tuneflash {

inline constexpr std::uint8_t kFrameStart = 0x02;
inline constexpr std::uint8_t kFrameEnd = 0x03;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

inline constexpr std::size_t kStatusFrameSize = 4;
inline constexpr std::size_t kDataBlockSize = 1024;
inline constexpr std::size_t kDataBlockPayload = 1020;
inline constexpr std::size_t kDataBlockDataOffset = 3;
inline constexpr std::size_t kDataBlockSumOffset = 1023;
inline constexpr std::size_t kUploadRequestSize = 1024;

using StatusFrame = std::array<std::uint8_t, kStatusFrameSize>;
using DataBlock = std::array<std::uint8_t, kDataBlockSize>;
using UploadRequestFrame = std::array<std::uint8_t, kUploadRequestSize>;

// 02 code sub 03 for a status index that has a wire code; nothing otherwise.
std::optional<StatusFrame> MakeStatusFrame(int status);

// The status index a received status frame stands for, -1 for none. Only
// byte 0 is checked (0x02); byte 3 is ignored. Codes 3, 5 and 6 tell failure
// (sub-code 0) from success; the others ignore the sub-code; codes 0, 7, 8
// and above 12 have no status.
int StatusOfReceivedFrame(ByteSpan frame);

// A data block with block number `block` (modulo 256) carrying `data`
// (at most 1020 bytes; zero-filled after it). Throws std::length_error for more.
DataBlock MakeDataBlock(std::uint32_t block, ByteSpan data);

// Byte 0 is 0x02, byte 2 the complement of byte 1, and the 1020 data bytes
// sum (modulo 256) to byte 1023. The block number is not checked.
bool IsValidDataBlock(ByteSpan block);

// The data bytes of a data block (all 1020; the receiver knows how many count).
ByteSpan DataBlockPayload(ByteSpan block);

// The lengths of the blocks a download sends for a data record of `total`
// bytes (tag, length field, packed bytes and check value): 1020 each, the last
// fewer than 1020, so a multiple of 1020 ends with a block without data.
std::vector<std::size_t> DownloadBlockLengths(std::size_t total);

// One flash area an upload asks for.
struct UploadArea {
  std::uint8_t attribute = 0;
  std::uint32_t address = 0;
  std::uint32_t size = 0;  // 24 bits on the wire
};

// The most areas one upload request names: what fits between its count byte
// and its check value, 8 bytes each.
inline constexpr std::size_t kMaxUploadAreas = (kUploadRequestSize - 4 - 4) / 8;

// 02, T = 8c+8, c, the c areas (attribute, address, 24-bit size), the check
// value over everything before it, zeros up to 1024 bytes.
UploadRequestFrame MakeUploadRequestFrame(std::span<const PartitionInfo> areas);

// The areas of a received request frame when its layout and check value
// hold; nothing otherwise.
std::optional<std::vector<UploadArea>> ParseUploadRequestFrame(ByteSpan frame);

}  // namespace tuneflash
