// The records of the channel database in their box form: byte for byte as
// they stand in the database image. Each record keeps its raw bytes; fields
// are read and written at the named offsets below with the little-endian
// helpers, bit fields through the tables of field_tables.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tuneflash {

// Table capacities.
inline constexpr std::size_t kSatelliteCapacity = 64;
inline constexpr std::size_t kSatTpCapacity = 2000;
inline constexpr std::size_t kTerTpCapacity = 200;
inline constexpr std::size_t kProgramCapacity = 4000;
inline constexpr std::size_t kFavGroupCapacity = 8;
inline constexpr std::size_t kCasGroupCapacity = 100;
inline constexpr std::size_t kProviderGroupCapacity = 400;
inline constexpr std::size_t kFavGroupMembers = 200;

// Record sizes.
inline constexpr std::size_t kAutoScanTpSize = 4;
inline constexpr std::size_t kSatelliteSize = 40;
inline constexpr std::size_t kSatTpSize = 16;
inline constexpr std::size_t kSatTpHeaderSize = 132;
inline constexpr std::size_t kTerTpSize = 8;
inline constexpr std::size_t kTerTpHeaderSize = 4;
inline constexpr std::size_t kProgramSize = 48;
inline constexpr std::size_t kProgramHeaderSize = 12;
inline constexpr std::size_t kFavGroupSize = 420;
inline constexpr std::size_t kCasGroupSize = 12;
inline constexpr std::size_t kProviderGroupSize = 20;
inline constexpr std::size_t kSystemBlockSize = 256;

// SATELLITE_INFO_T: words at 0 and 4 (field_tables.h), then these areas.
inline constexpr std::size_t kSatNameOffset = 8;
inline constexpr std::size_t kSatNameSize = 19;
inline constexpr std::size_t kSatReservedOffset = 27;  // not decoded, carried
inline constexpr std::size_t kSatAutoScanOffset = 28;
inline constexpr std::size_t kAutoScanTpCount = 3;

// SAT_TRANSPONDER_INFO_T: words A at 0 and B at 4, then two undecoded words.
inline constexpr std::size_t kTpWord3Offset = 8;
inline constexpr std::size_t kTpWord4Offset = 12;

// TER_TRANSPONDER_INFO_T: one word at 0, then the signed frequency in kHz.
inline constexpr std::size_t kTerFrequencyOffset = 4;

// PROGRAM_INFO_T: the links, five words W1..W5 at 4..23, the CA ids and the name.
inline constexpr std::size_t kProgramPrevOffset = 0;
inline constexpr std::size_t kProgramNextOffset = 2;
inline constexpr std::size_t kProgramW1Offset = 4;
inline constexpr std::size_t kProgramW2Offset = 8;
inline constexpr std::size_t kProgramW3Offset = 12;
inline constexpr std::size_t kProgramW4Offset = 16;
inline constexpr std::size_t kProgramW5Offset = 20;
inline constexpr std::size_t kProgramCaIdsOffset = 24;
inline constexpr std::size_t kProgramCaIdCount = 4;
inline constexpr std::size_t kProgramNameOffset = 32;
inline constexpr std::size_t kProgramNameSize = 16;

// FAV_GROGUP_INFO_T.
inline constexpr std::size_t kFavCountOffset = 0;
inline constexpr std::size_t kFavNameOffset = 2;
inline constexpr std::size_t kFavNameSize = 16;
inline constexpr std::size_t kFavProgramsOffset = 18;
inline constexpr std::size_t kFavReservedOffset = 418;  // not decoded, carried

// CAS_GROGUP_INFO_T and PROVIDER_GROGUP_INFO_T: one word at 0, then the name.
inline constexpr std::size_t kGroupNameOffset = 4;
inline constexpr std::size_t kCasNameSize = 5;
inline constexpr std::size_t kCasReservedOffset = 9;  // not decoded, carried
inline constexpr std::size_t kCasReservedSize = 3;
inline constexpr std::size_t kProviderNameSize = 14;

// A record of the box form: its bytes exactly as in the image. The tag keeps
// the record types apart.
template <std::size_t Size, typename Tag>
struct PackedRecord {
  static constexpr std::size_t kSize = Size;
  std::array<std::uint8_t, Size> bytes{};

  bool operator==(const PackedRecord&) const = default;
};

struct FactoryDefaultTpTag;
struct SatelliteTag;
struct SatTransponderTag;
struct TerTransponderTag;
struct ProgramTag;
struct FavGroupTag;
struct CasGroupTag;
struct ProviderGroupTag;
struct SystemBlockTag;

using FACTORY_DEFAULT_TP_INFO_T = PackedRecord<kAutoScanTpSize, FactoryDefaultTpTag>;
using SATELLITE_INFO_T = PackedRecord<kSatelliteSize, SatelliteTag>;
using SAT_TRANSPONDER_INFO_T = PackedRecord<kSatTpSize, SatTransponderTag>;
using TER_TRANSPONDER_INFO_T = PackedRecord<kTerTpSize, TerTransponderTag>;
using PROGRAM_INFO_T = PackedRecord<kProgramSize, ProgramTag>;
using FAV_GROGUP_INFO_T = PackedRecord<kFavGroupSize, FavGroupTag>;
using CAS_GROGUP_INFO_T = PackedRecord<kCasGroupSize, CasGroupTag>;
using PROVIDER_GROGUP_INFO_T = PackedRecord<kProviderGroupSize, ProviderGroupTag>;
using SYSTEM_DATA_BASE_T = PackedRecord<kSystemBlockSize, SystemBlockTag>;

// The three list headers exist in one form only; their fields cover every
// byte, so writing them back reproduces what was read.
struct SAT_TP_LIST_HEADER_T {
  std::int16_t tp_count = 0;
  std::uint16_t reserved = 0;  // bytes 2-3, not decoded, carried
  std::array<std::uint16_t, kSatelliteCapacity> tp_per_satellite{};

  bool operator==(const SAT_TP_LIST_HEADER_T&) const = default;
};

struct TER_TP_LIST_HEADER_T {
  std::int16_t ter_tp_count = 0;
  std::uint16_t reserved = 0;  // bytes 2-3, not decoded, carried

  bool operator==(const TER_TP_LIST_HEADER_T&) const = default;
};

struct PROGRAM_LIST_HEADER_T {
  std::int16_t first_program = 0;
  std::int16_t last_program = 0;
  std::int16_t program_count = 0;
  std::int16_t tv_count = 0;
  std::int16_t radio_count = 0;
  std::int16_t data_count = 0;

  bool operator==(const PROGRAM_LIST_HEADER_T&) const = default;
};

}  // namespace tuneflash
