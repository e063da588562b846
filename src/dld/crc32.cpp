// Table-driven CRC-32/MPEG-2.
#include "dld/crc32.h"

#include <array>
#include <stdexcept>

namespace tuneflash {
namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7;

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t reg = i << 24;
    for (int bit = 0; bit < 8; ++bit) reg = (reg & 0x80000000U) ? (reg << 1) ^ kPolynomial : reg << 1;
    table[i] = reg;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x04C11DB7 && kTable[2] == 0x09823B6E && kTable[255] == 0xB1F740B4);

}  // namespace

std::uint32_t CalcCrc32(ByteSpan data) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::uint8_t b : data) crc = kTable[((crc >> 24) ^ b) & 0xFF] ^ (crc << 8);
  return crc;
}

std::uint32_t CalcCrc32(ByteSpan data, long count) {
  if (count <= 0) return 0xFFFFFFFF;
  if (static_cast<unsigned long>(count) > data.size())
    throw std::out_of_range("CalcCrc32: count beyond buffer");
  return CalcCrc32(data.first(static_cast<std::size_t>(count)));
}

}  // namespace tuneflash
