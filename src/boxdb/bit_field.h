// The one bit-field codec of the channel database. Every record that packs
// fields into 32-bit little-endian words is described as a table of BitField
// rows and goes through these functions, which follow the box's digit-string
// rule: a field is cut out of the word's 32 binary digits and read back with
// RadixStrToInt, so a stored value above the field's limit decodes to its
// longest leading run of digits within the limit (twelve one-bits under the
// limit 2000 give 1023).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dld/bytes.h"

namespace tuneflash {

// One field of a packed record: the word it lies in (byte offset of the
// 32-bit word inside the record), its bits high..low, and the largest value
// the decoder accepts for it.
struct BitField {
  std::string_view name;
  std::uint16_t word;
  std::uint8_t high;
  std::uint8_t low;
  std::uint32_t limit;

  constexpr int Width() const { return high - low + 1; }
};

// The 32 binary digits of `word`, most significant bit first.
std::string WordDigits(std::uint32_t word);

// Decodes one field from the digits of its word (see WordDigits).
std::uint32_t DecodeBitField(std::string_view wordDigits, const BitField& field);

// Decodes one field of the word at `field.word` in `record`.
// Throws std::out_of_range when the word lies outside `record`.
std::uint32_t DecodeBitField(ByteSpan record, const BitField& field);

// Decodes every field of `table` from `record`, in table order.
template <std::size_t N>
std::array<std::uint32_t, N> DecodeBitFields(ByteSpan record, const std::array<BitField, N>& table) {
  std::array<std::uint32_t, N> values{};
  std::string digits;
  int digitsWord = -1;
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i].word != digitsWord) {
      digits = WordDigits(GetLe32(record, table[i].word));
      digitsWord = table[i].word;
    }
    values[i] = DecodeBitField(digits, table[i]);
  }
  return values;
}

// True when `value` can be written into `field`: -1 (none, written as all
// ones) or a non-negative value with no more binary digits than the field.
bool FitsBitField(const BitField& field, std::int64_t value);

// Writes values[i] into fields[i] of `record` by the encoding rule (each
// value as binary digits zero-padded to its field's width, spliced into the
// word's 32 digits, the word's bytes read back from the digits); bits that
// no field names keep their value. When any value does not fit its field
// nothing is written and the result is false: a value too wide would spill
// into the neighbouring fields.
bool EncodeBitFields(MutableByteSpan record, std::span<const BitField> fields,
                     std::span<const std::int64_t> values);

// EncodeBitFields for one field.
bool EncodeBitField(MutableByteSpan record, const BitField& field, std::int64_t value);

}  // namespace tuneflash
