// The show form of the channel database: one field per bit field of the box
// form, numbers a user sees or that are compared as text held as owned texts.
// The database operations read and compare these; slot i of a show table
// always describes slot i of the box table of the same name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "boxdb/box_records.h"

namespace tuneflash {

struct FACTORY_DEFAULT_TP_INFO_SHOW_T {
  std::uint8_t polarisation = 0;
  std::string frequency_text;
  std::string symbol_rate_text;

  bool operator==(const FACTORY_DEFAULT_TP_INFO_SHOW_T&) const = default;
};

using ARRAYAUTOSCANTP = std::array<FACTORY_DEFAULT_TP_INFO_SHOW_T, kAutoScanTpCount>;

struct SATELLITE_INFO_SHOW_T {
  std::uint8_t sat_param_1 = 0;
  std::uint8_t sat_flag_1 = 0;
  std::uint8_t sat_param_2 = 0;
  std::uint8_t sat_param_3 = 0;
  std::uint8_t sat_param_4 = 0;
  std::int16_t longitude = 0;  // tenths of a degree
  std::string longitude_text;  // "%5.1f" of longitude / 10
  std::uint8_t sat_param_5 = 0;
  std::string lnb_frequency_text;
  std::string sat_name;
  ARRAYAUTOSCANTP auto_scan_tp{};

  bool operator==(const SATELLITE_INFO_SHOW_T&) const = default;
};

struct SAT_TRANSPONDER_INFO_SHOW_T {
  std::uint8_t used = 0;
  std::uint8_t sat_index = 0;
  std::uint8_t tp_number = 0;
  std::uint8_t polarisation = 0;
  std::string polarisation_text;  // "H" or "V"
  std::uint8_t fec = 0;
  std::string fec_text;
  std::uint8_t tp_param_1 = 0;
  std::uint8_t tp_param_2 = 0;
  std::string frequency_text;    // whole MHz
  std::string symbol_rate_text;  // whole ksymbol/s

  bool operator==(const SAT_TRANSPONDER_INFO_SHOW_T&) const = default;
};

struct TER_TRANSPONDER_INFO_SHOW_T {
  std::uint8_t used = 0;
  std::string ter_number_text;
  std::uint8_t ter_param_1 = 0;
  std::uint8_t ter_param_2 = 0;
  std::uint8_t bandwidth = 0;
  std::string bandwidth_text;
  std::string frequency_text;  // MHz, "%5.1f"

  bool operator==(const TER_TRANSPONDER_INFO_SHOW_T&) const = default;
};

struct PROGRAM_INFO_SHOW_T {
  std::int16_t prev_program = 0;
  std::int16_t next_program = 0;
  std::uint8_t used = 0;
  std::uint8_t service_type = 0;  // 0 TV, 1 radio, 2 data, 3 other
  std::uint8_t prog_param_1 = 0;
  std::uint8_t prog_flag_1 = 0;
  std::uint8_t prog_flag_2 = 0;
  std::uint8_t prog_flag_3 = 0;
  std::uint8_t tp_source = 0;
  std::int16_t tp_index = 0;
  std::array<std::uint8_t, 3> language{};
  std::int16_t service_id = 0;
  std::string service_id_text;  // "0X" and at least two upper-case hex digits
  std::string pid_1_text;
  std::uint8_t ca_count = 0;
  std::string pid_2_text;
  std::uint8_t pid_2_type = 0;
  std::uint8_t prog_flag_4 = 0;
  std::uint8_t prog_flag_5 = 0;
  std::uint8_t prog_flag_6 = 0;
  std::string pid_3_text;
  std::uint8_t prog_flag_7 = 0;
  std::uint8_t scrambled = 0;
  std::uint8_t prog_flag_8 = 0;
  std::string pid_4_text;
  std::uint8_t prog_param_2 = 0;
  std::uint8_t sat_index = 0;
  std::int16_t provider_index = 0;
  std::array<std::uint16_t, kProgramCaIdCount> ca_ids{};
  std::string name;

  bool operator==(const PROGRAM_INFO_SHOW_T&) const = default;
};

struct FAV_GROGUP_INFO_SHOW_T {
  std::int16_t count = 0;
  std::string name;
  std::array<std::int16_t, kFavGroupMembers> programs{};

  bool operator==(const FAV_GROGUP_INFO_SHOW_T&) const = default;
};

struct CAS_GROGUP_INFO_SHOW_T {
  std::uint8_t flag = 0;
  std::int16_t key = 0;
  std::int16_t count = 0;
  std::string name;

  bool operator==(const CAS_GROGUP_INFO_SHOW_T&) const = default;
};

struct PROVIDER_GROGUP_INFO_SHOW_T {
  std::uint8_t flag = 0;
  std::int16_t key = 0;
  std::int16_t count = 0;
  std::string name;

  bool operator==(const PROVIDER_GROGUP_INFO_SHOW_T&) const = default;
};

inline constexpr std::size_t kProgramRefCount = 8;
inline constexpr std::size_t kProgramRefByteGroups = 6;

// The part of the system block covered by its first check value (bytes
// 0..239), decoded. Each array holds the bit fields of one word in the order
// the word's table lists them (field_tables.h); copied areas keep their width.
struct BOX_INFO_SHOW_T {
  std::array<std::uint8_t, 11> word_0{};
  std::array<std::uint8_t, 2> bytes_4{};
  std::array<std::uint16_t, 7> shorts_6{};
  std::array<std::uint8_t, 9> word_20{};
  std::array<std::uint8_t, 6> word_24{};
  std::array<std::uint8_t, 7> word_28{};
  std::array<std::uint8_t, 8> word_32{};
  std::string digits_36;                                     // the ASCII digits of bytes 36..39, in order
  std::array<std::int16_t, kProgramRefCount> ref_program{};  // -1 none
  std::array<std::int16_t, kProgramRefCount> ref_second_index{};  // -1 none
  std::array<std::array<std::uint8_t, kProgramRefCount>, kProgramRefByteGroups> ref_bytes{};
  std::array<std::uint8_t, 9> word_120{};  // modes of references 0..3 among them
  std::array<std::uint8_t, 9> word_124{};  // mode of reference 4 among them
  std::array<std::uint8_t, 8> word_128{};  // modes of references 5..7 among them
  std::array<std::uint32_t, 3> longs_132{};
  std::array<std::uint8_t, 4> bytes_144{};
  std::array<std::uint16_t, 2> shorts_148{};
  std::uint16_t value_152 = 0;
  std::array<std::uint8_t, 8> flags_152{};
  std::array<std::uint16_t, 8> shorts_224{};

  bool operator==(const BOX_INFO_SHOW_T&) const = default;
};

// The decoded system block: BOX_INFO_SHOW_T, then the nine fields of the
// second covered area (eight from bytes 244..247, one from 248..251).
struct SYSTEM_DATA_BASE_SHOW_T {
  BOX_INFO_SHOW_T box_info;
  std::array<std::uint8_t, 9> word_244{};

  bool operator==(const SYSTEM_DATA_BASE_SHOW_T&) const = default;
};

}  // namespace tuneflash
