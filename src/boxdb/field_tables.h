// The bit fields of the database records, each described once: the word's
// byte offset in its record, the bits, and the decoder's limit. The enums
// name the rows; the same rows serve decoding and encoding.
#pragma once

#include <array>

#include "boxdb/bit_field.h"
#include "boxdb/box_records.h"

namespace tuneflash {

// FACTORY_DEFAULT_TP_INFO_T, one word.
namespace auto_scan_bits {
enum : std::size_t { kPolarisation, kFrequency, kSymbolRate, kCount };
}
inline constexpr std::array<BitField, auto_scan_bits::kCount> kAutoScanTpFields{{
    {"polarisation", 0, 1, 0, 1},
    {"frequency", 0, 15, 2, 12750},
    {"symbol_rate", 0, 31, 16, 45000},
}};

// SATELLITE_INFO_T, words at 0 and 4 (bits 15..4 of the second not decoded).
namespace satellite_bits {
enum : std::size_t { kParam1, kParam3, kParam4, kFlag1, kParam2, kLongitude, kParam5, kLnbFrequency, kCount };
}
inline constexpr std::array<BitField, satellite_bits::kCount> kSatelliteFields{{
    {"sat_param_1", 0, 7, 0, 9},
    {"sat_param_3", 0, 11, 8, 8},
    {"sat_param_4", 0, 15, 12, 4},
    {"sat_flag_1", 0, 16, 16, 1},
    {"sat_param_2", 0, 18, 17, 2},
    {"longitude", 0, 31, 19, 3600},
    {"sat_param_5", 4, 3, 0, 6},
    {"lnb_frequency", 4, 31, 16, 65535},
}};

// SAT_TRANSPONDER_INFO_T, words A at 0 and B at 4 (bit 17 of A not decoded).
namespace sat_tp_bits {
enum : std::size_t {
  kSatIndex,
  kTpNumber,
  kUsed,
  kPolarisation,
  kFec,
  kParam1,
  kParam2,
  kFrequency,
  kSymbolRate,
  kCount
};
}
inline constexpr std::array<BitField, sat_tp_bits::kCount> kSatTpFields{{
    {"sat_index", 0, 7, 0, 64},
    {"tp_number", 0, 15, 8, 150},
    {"used", 0, 16, 16, 1},
    {"polarisation", 0, 19, 18, 1},
    {"fec", 0, 23, 20, 7},
    {"tp_param_1", 0, 31, 24, 255},
    {"tp_param_2", 4, 1, 0, 1},
    {"frequency", 4, 15, 2, 12750},
    {"symbol_rate", 4, 31, 16, 45000},
}};

// TER_TRANSPONDER_INFO_T, one word.
namespace ter_tp_bits {
enum : std::size_t { kUsed, kNumber, kParam1, kParam2, kBandwidth, kCount };
}
inline constexpr std::array<BitField, ter_tp_bits::kCount> kTerTpFields{{
    {"used", 0, 0, 0, 1},
    {"number", 0, 7, 1, 128},
    {"ter_param_1", 0, 15, 8, 255},
    {"ter_param_2", 0, 23, 16, 255},
    {"bandwidth", 0, 31, 24, 2},
}};

// PROGRAM_INFO_T, words W1..W5 at 4..20 (bits 31..25 of W5 not decoded). The
// second and third language letters are bits 15..8 and 7..0 of W2, for
// decoding and for writing a new program alike.
namespace program_bits {
enum : std::size_t {
  kUsed,
  kServiceType,
  kParam1,
  kFlag1,
  kFlag2,
  kFlag3,
  kLanguage1,
  kTpSource,
  kTpIndex,
  kLanguage3,
  kLanguage2,
  kServiceId,
  kPid1,
  kCaCount,
  kPid2,
  kPid2Type,
  kFlag4,
  kFlag5,
  kFlag6,
  kPid3,
  kFlag7,
  kScrambled,
  kFlag8,
  kPid4,
  kParam2,
  kSatIndex,
  kProviderIndex,
  kCount
};
}
inline constexpr std::array<BitField, program_bits::kCount> kProgramFields{{
    {"used", kProgramW1Offset, 0, 0, 1},
    {"service_type", kProgramW1Offset, 2, 1, 2},
    {"prog_param_1", kProgramW1Offset, 4, 3, 2},
    {"prog_flag_1", kProgramW1Offset, 5, 5, 1},
    {"prog_flag_2", kProgramW1Offset, 6, 6, 1},
    {"prog_flag_3", kProgramW1Offset, 7, 7, 1},
    {"language letter 1", kProgramW1Offset, 15, 8, 255},
    {"tp_source", kProgramW1Offset, 19, 16, 3},
    {"tp_index", kProgramW1Offset, 31, 20, 2000},
    {"language letter 3", kProgramW2Offset, 7, 0, 255},
    {"language letter 2", kProgramW2Offset, 15, 8, 255},
    {"service_id", kProgramW2Offset, 31, 16, 65535},
    {"PID 1", kProgramW3Offset, 12, 0, 8191},
    {"ca_count", kProgramW3Offset, 15, 13, 4},
    {"PID 2", kProgramW3Offset, 28, 16, 8191},
    {"pid_2_type", kProgramW3Offset, 31, 29, 7},
    {"prog_flag_4", kProgramW4Offset, 0, 0, 1},
    {"prog_flag_5", kProgramW4Offset, 1, 1, 1},
    {"prog_flag_6", kProgramW4Offset, 2, 2, 1},
    {"PID 3", kProgramW4Offset, 15, 3, 8191},
    {"prog_flag_7", kProgramW4Offset, 16, 16, 1},
    {"scrambled", kProgramW4Offset, 17, 17, 1},
    {"prog_flag_8", kProgramW4Offset, 18, 18, 1},
    {"PID 4", kProgramW4Offset, 31, 19, 8191},
    {"prog_param_2", kProgramW5Offset, 7, 0, 255},
    {"sat_index", kProgramW5Offset, 15, 8, 64},
    {"provider_index", kProgramW5Offset, 24, 16, 400},
}};

// CAS_GROGUP_INFO_T and PROVIDER_GROGUP_INFO_T begin with the same word.
namespace group_bits {
enum : std::size_t { kFlag, kKey, kCount, kFieldCount };
}
inline constexpr std::array<BitField, group_bits::kFieldCount> kGroupFields{{
    {"flag", 0, 0, 0, 1},
    {"key", 0, 15, 1, 32767},
    {"count", 0, 31, 16, 65535},
}};

}  // namespace tuneflash
