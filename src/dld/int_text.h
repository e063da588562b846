// The standard text-to-integer conversion used wherever a text becomes a
// number (header fields, SatcoDX columns, transponder texts).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tuneflash {

// Raised for a text that is not a 32-bit integer. what() is
// "'<text>' is not a valid integer value".
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(std::string_view text);
  const std::string& text() const noexcept { return text_; }

 private:
  std::string text_;
};

// Leading spaces, an optional sign, then decimal digits or hexadecimal digits
// after "$", "x", "X", "0x" or "0X"; nothing may follow the digits. The value
// must fit 32 bits (signed, or unsigned for hexadecimal). Throws ConversionError.
std::int32_t StrToInt(std::string_view text);

}  // namespace tuneflash
