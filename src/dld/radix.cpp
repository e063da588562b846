// Radix text helpers.
#include "dld/radix.h"

#include <algorithm>

namespace tuneflash {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string IntToRadixStr(std::int64_t value, int width, int radix, char pad) {
  if (radix < 2 || radix > 36) return {};
  static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  // Magnitude as unsigned so that the most negative value has one too.
  std::uint64_t magnitude =
      value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  std::string digits;
  do {
    digits.push_back(kDigits[magnitude % static_cast<std::uint64_t>(radix)]);
    magnitude /= static_cast<std::uint64_t>(radix);
  } while (magnitude != 0);
  while (static_cast<int>(digits.size()) < width) digits.push_back(pad);
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::int64_t RadixStrToInt(std::string_view text, int radix, std::int64_t limit) {
  if (radix < 2 || radix > 36 || text.empty()) return 0;
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == '\0') ++pos;
  std::int64_t value = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = DigitValue(text[pos]);
    if (digit < 0 || digit >= radix) break;
    const std::int64_t headroom = limit / radix;
    if (!(value < headroom || (value == headroom && digit <= limit % radix))) break;
    value = value * radix + digit;
  }
  return value;
}

}  // namespace tuneflash
