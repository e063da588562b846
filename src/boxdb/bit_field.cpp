// The bit-field codec: decoding by the limit rule, encoding by digit splicing.
#include "boxdb/bit_field.h"

#include "dld/radix.h"

namespace tuneflash {
namespace {

constexpr int kWordDigits = 32;

std::size_t FirstDigit(const BitField& field) {
  return static_cast<std::size_t>(kWordDigits - 1 - field.high);
}

// The word whose binary digits are `digits`: byte 0 from digits 25..32, byte 1
// from 17..24, byte 2 from 9..16, byte 3 from 1..8.
std::uint32_t WordFromDigits(std::string_view digits) {
  std::uint32_t word = 0;
  for (std::size_t byte = 0; byte < 4; ++byte) {
    const auto value = RadixStrToInt(digits.substr(24 - 8 * byte, 8), 2, 0xFF);
    word |= static_cast<std::uint32_t>(value) << (8 * byte);
  }
  return word;
}

std::string FieldDigits(const BitField& field, std::int64_t value) {
  if (value == -1) return std::string(static_cast<std::size_t>(field.Width()), '1');
  return IntToRadixStr(value, field.Width(), 2, '0');
}

}  // namespace

std::string WordDigits(std::uint32_t word) {
  return IntToRadixStr(word, kWordDigits, 2, '0');
}

std::uint32_t DecodeBitField(std::string_view wordDigits, const BitField& field) {
  const std::string_view cut = wordDigits.substr(FirstDigit(field), static_cast<std::size_t>(field.Width()));
  if (field.Width() == 1) return cut[0] == '1' ? 1 : 0;
  return static_cast<std::uint32_t>(RadixStrToInt(cut, 2, field.limit));
}

std::uint32_t DecodeBitField(ByteSpan record, const BitField& field) {
  return DecodeBitField(WordDigits(GetLe32(record, field.word)), field);
}

bool FitsBitField(const BitField& field, std::int64_t value) {
  if (value == -1) return true;
  return value >= 0 && value < (std::int64_t{1} << field.Width());
}

bool EncodeBitFields(MutableByteSpan record, std::span<const BitField> fields,
                     std::span<const std::int64_t> values) {
  if (fields.size() != values.size()) return false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!FitsBitField(fields[i], values[i])) return false;
    (void)GetLe32(record, fields[i].word);  // every word inside the record before anything is written
  }
  std::string digits;
  int digitsWord = -1;
  auto flush = [&] {
    if (digitsWord >= 0) PutLe32(record, static_cast<std::size_t>(digitsWord), WordFromDigits(digits));
  };
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].word != digitsWord) {
      flush();
      digitsWord = fields[i].word;
      digits = WordDigits(GetLe32(record, fields[i].word));
    }
    digits.replace(FirstDigit(fields[i]), static_cast<std::size_t>(fields[i].Width()),
                   FieldDigits(fields[i], values[i]));
  }
  flush();
  return true;
}

bool EncodeBitField(MutableByteSpan record, const BitField& field, std::int64_t value) {
  return EncodeBitFields(record, std::span<const BitField>(&field, 1),
                         std::span<const std::int64_t>(&value, 1));
}

}  // namespace tuneflash
