// How the show form writes numbers and codes as text, and how texts are
// cut out of and put into the fixed byte areas of the box form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dld/bytes.h"

namespace tuneflash {

// Plain decimal without leading zeros.
std::string DecimalText(std::int64_t value);

// `tenths` / 10 formatted "%5.1f" (one decimal, right-aligned in five characters).
std::string TenthsText(std::int64_t tenths);

// `kilo` / 1000 formatted "%5.1f".
std::string ThousandthsText(std::int64_t kilo);

// "0X" and the upper-case hexadecimal digits of `value`, at least two.
std::string ServiceIdText(std::uint16_t value);

// `text` without leading and trailing blanks and control characters.
std::string_view TrimBlanks(std::string_view text);

// The text of a code, or empty when the code has none ("H"/"V"; "Auto", "1/2",
// "2/3", "3/4", "5/6", "7/8" for 0, 1, 2, 3, 5, 7; "6 MHz", "7 MHz", "8 MHz").
std::string_view PolarisationText(unsigned code);
std::string_view FecText(unsigned code);
std::string_view BandwidthText(unsigned code);

// The bytes of an area up to its first zero byte.
std::string AreaText(ByteSpan area);

// Zero-fills `area` and copies at most area.size() bytes of `text` into it.
void PutAreaText(MutableByteSpan area, std::string_view text);

}  // namespace tuneflash
