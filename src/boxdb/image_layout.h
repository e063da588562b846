// Where the tables lie in the decompressed database image and where the
// system block copies lie in the system sector (the first 64 KiB of the raw
// data partition image).
#pragma once

#include <cstddef>

#include "boxdb/box_records.h"
#include "dld/data_image.h"  // kDatabaseImageSize

namespace tuneflash {

// Database image.
inline constexpr std::size_t kSatelliteTableOffset = 0x0000;
inline constexpr std::size_t kSatTpHeaderOffset = 0x1000;
inline constexpr std::size_t kSatTpTableOffset = 0x1084;
inline constexpr std::size_t kTerTpHeaderOffset = 0x9800;
inline constexpr std::size_t kTerTpTableOffset = 0x9804;
inline constexpr std::size_t kProgramHeaderOffset = 0xA800;
inline constexpr std::size_t kFavGroupTableOffset = 0xA80C;
inline constexpr std::size_t kCasGroupTableOffset = 0xB52C;
inline constexpr std::size_t kProviderGroupTableOffset = 0xB9DC;
inline constexpr std::size_t kProgramTableOffset = 0xD91C;
inline constexpr std::size_t kDatabaseImageUsedEnd = 0x3C71C;  // 0xFF from here to the end

static_assert(kSatelliteTableOffset + kSatelliteCapacity * kSatelliteSize <= kSatTpHeaderOffset);
static_assert(kSatTpHeaderOffset + kSatTpHeaderSize == kSatTpTableOffset);
static_assert(kSatTpTableOffset + kSatTpCapacity * kSatTpSize <= kTerTpHeaderOffset);
static_assert(kTerTpHeaderOffset + kTerTpHeaderSize == kTerTpTableOffset);
static_assert(kTerTpTableOffset + kTerTpCapacity * kTerTpSize <= kProgramHeaderOffset);
static_assert(kProgramHeaderOffset + kProgramHeaderSize == kFavGroupTableOffset);
static_assert(kFavGroupTableOffset + kFavGroupCapacity * kFavGroupSize == kCasGroupTableOffset);
static_assert(kCasGroupTableOffset + kCasGroupCapacity * kCasGroupSize == kProviderGroupTableOffset);
static_assert(kProviderGroupTableOffset + kProviderGroupCapacity * kProviderGroupSize == kProgramTableOffset);
static_assert(kProgramTableOffset + kProgramCapacity * kProgramSize == kDatabaseImageUsedEnd);
static_assert(kDatabaseImageUsedEnd <= kDatabaseImageSize);

// System sector.
inline constexpr std::size_t kSystemSectorSize = 0x10000;
inline constexpr std::size_t kSectorHeaderOffset = 0;
inline constexpr std::size_t kSecondHeaderOffset = 80;
inline constexpr std::size_t kSystemBlockSlotCount = 255;
inline constexpr std::size_t kLowestSystemBlockSlot = 0x100;
inline constexpr std::size_t kHighestSystemBlockSlot = 0xFF00;
static_assert(kLowestSystemBlockSlot + (kSystemBlockSlotCount - 1) * kSystemBlockSize ==
              kHighestSystemBlockSlot);

// System block: two areas, each followed by its CalcCrc32 value.
inline constexpr std::size_t kBlockFirstAreaSize = 240;
inline constexpr std::size_t kBlockFirstCrcOffset = 240;
inline constexpr std::size_t kBlockSecondAreaOffset = 244;
inline constexpr std::size_t kBlockSecondAreaSize = 8;
inline constexpr std::size_t kBlockSecondCrcOffset = 252;

}  // namespace tuneflash
