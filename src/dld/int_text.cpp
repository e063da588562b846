// The standard text-to-integer conversion.
#include "dld/int_text.h"

#include <limits>

namespace tuneflash {

ConversionError::ConversionError(std::string_view text)
    : std::runtime_error("'" + std::string(text) + "' is not a valid integer value"), text_(text) {}

std::int32_t StrToInt(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';

  int base = 10;
  if (pos < text.size() && text[pos] == '$') {
    base = 16;
    ++pos;
  } else if (pos < text.size() && (text[pos] == 'x' || text[pos] == 'X')) {
    base = 16;
    ++pos;
  } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }

  if (pos >= text.size()) throw ConversionError(text);
  // Decimal must fit a signed 32-bit value; hexadecimal may use all 32 bits.
  const std::uint64_t max =
      base == 16 ? 0xFFFFFFFFULL
                 : static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
  std::uint64_t value = 0;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) throw ConversionError(text);
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > max) throw ConversionError(text);
  }
  const auto bits = static_cast<std::uint32_t>(value);
  return negative ? static_cast<std::int32_t>(0U - bits) : static_cast<std::int32_t>(bits);
}

}  // namespace tuneflash
