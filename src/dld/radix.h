// Radix text helpers. The database codec decodes every bit field through
// RadixStrToInt, so its stop rules are behaviour, not detail.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tuneflash {

// The absolute value of `value` in base `radix` (2 to 36), most significant
// digit first ("0"-"9", "A"-"Z"), left-padded with `pad` to at least `width`
// characters. A base outside 2 to 36 gives the empty text.
std::string IntToRadixStr(std::int64_t value, int width, int radix, char pad);

// Reads an integer from the start of `text` in base `radix`, never more than
// `limit`. Leading NULs are skipped; reading stops without error at the first
// non-digit, at a digit not below the base, or before the digit that would take
// the value past `limit`. An empty text or a base outside 2 to 36 gives 0.
std::int64_t RadixStrToInt(std::string_view text, int radix, std::int64_t limit);

}  // namespace tuneflash
