// Texts of the show form.
#include "boxdb/show_text.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "dld/radix.h"

namespace tuneflash {
namespace {

std::string OneDecimalText(double value) {
  std::array<char, 32> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%5.1f", value);
  return buffer.data();
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string DecimalText(std::int64_t value) {
  return std::to_string(value);
}

std::string TenthsText(std::int64_t tenths) {
  return OneDecimalText(static_cast<double>(tenths) / 10.0);
}

std::string ThousandthsText(std::int64_t kilo) {
  return OneDecimalText(static_cast<double>(kilo) / 1000.0);
}

std::string ServiceIdText(std::uint16_t value) {
  return "0X" + IntToRadixStr(value, 2, 16, '0');
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view PolarisationText(unsigned code) {
  switch (code) {
    case 0:
      return "H";
    case 1:
      return "V";
    default:
      return {};
  }
}

std::string_view FecText(unsigned code) {
  switch (code) {
    case 0:
      return "Auto";
    case 1:
      return "1/2";
    case 2:
      return "2/3";
    case 3:
      return "3/4";
    case 5:
      return "5/6";
    case 7:
      return "7/8";
    default:
      return {};
  }
}

std::string_view BandwidthText(unsigned code) {
  switch (code) {
    case 0:
      return "6 MHz";
    case 1:
      return "7 MHz";
    case 2:
      return "8 MHz";
    default:
      return {};
  }
}

std::string AreaText(ByteSpan area) {
  const auto end = std::find(area.begin(), area.end(), std::uint8_t{0});
  return std::string(area.begin(), end);
}

void PutAreaText(MutableByteSpan area, std::string_view text) {
  std::fill(area.begin(), area.end(), std::uint8_t{0});
  const std::size_t n = std::min(area.size(), text.size());
  for (std::size_t i = 0; i < n; ++i) area[i] = static_cast<std::uint8_t>(text[i]);
}

}  // namespace tuneflash
