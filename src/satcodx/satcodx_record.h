// One parsed SatcoDX line: the columns of a 128-byte service line as the merge
// into the channel database consumes them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tuneflash {

inline constexpr std::size_t kSatcoDxLineSize = 128;
using SatcoDxLine = std::array<std::uint8_t, kSatcoDxLineSize>;

// Service types as the box counts them.
inline constexpr std::uint8_t kSatcoDxServiceTv = 0;     // "T"
inline constexpr std::uint8_t kSatcoDxServiceRadio = 1;  // "R"
inline constexpr std::uint8_t kSatcoDxServiceData = 2;   // "D"
inline constexpr std::uint8_t kSatcoDxServiceOther = 3;  // "_"

inline constexpr std::uint8_t kMpegType1 = 3;
inline constexpr std::uint8_t kMpegType2 = 4;

// PID of a column made only of "_" (not given): the box's "no stream".
inline constexpr int kNoStreamPid = 8191;

struct SATCODX_INFO_SHOW_T {
  std::string signature;
  std::uint8_t version = 0;
  std::string sub_version;
  std::string sat_name;
  std::uint8_t service_type = 0;
  std::uint8_t mpeg_type = 0;
  std::string frequency_text;  // MHz
  std::uint8_t polarisation_digit = 0;
  std::int16_t longitude = 0;  // tenths of a degree
  std::string longitude_text;  // "%5.1f"
  std::string text_a;
  std::string text_b;
  std::string text_c;
  std::string symbol_rate_text;
  std::uint8_t fec = 0;
  std::string pid_a_text;
  std::string pid_b_text;
  std::string pid_c_text;
  std::int16_t service_id = 0;
  std::string service_id_text;  // "0X" + hexadecimal
  std::string number_a_text;
  std::string number_b_text;
  std::array<char, 4> language_code{};
  std::string text_d;
  std::string text_e;
  std::uint8_t scrambled = 0;
  std::array<std::uint16_t, 4> ca_ids{};
  std::string name;
  std::string spare_text;
};

}  // namespace tuneflash
