// Little-endian field access over byte spans: every record, frame and image
// area of the system is read and written through these helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace tuneflash {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

// Reads an unsigned little-endian number of `width` bytes (1 to 4) at `offset`.
// Throws std::out_of_range when the field does not lie inside `bytes`.
inline std::uint32_t GetLe(ByteSpan bytes, std::size_t offset, std::size_t width) {
  if (width == 0 || width > 4 || offset > bytes.size() || bytes.size() - offset < width) {
    throw std::out_of_range("little-endian field outside its buffer");
  }
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

// Writes the low `width` bytes (1 to 4) of `value` at `offset`, least significant first.
inline void PutLe(MutableByteSpan bytes, std::size_t offset, std::size_t width, std::uint32_t value) {
  if (width == 0 || width > 4 || offset > bytes.size() || bytes.size() - offset < width) {
    throw std::out_of_range("little-endian field outside its buffer");
  }
  for (std::size_t i = 0; i < width; ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

inline std::uint8_t GetU8(ByteSpan b, std::size_t o) {
  return static_cast<std::uint8_t>(GetLe(b, o, 1));
}
inline std::uint16_t GetLe16(ByteSpan b, std::size_t o) {
  return static_cast<std::uint16_t>(GetLe(b, o, 2));
}
inline std::uint32_t GetLe24(ByteSpan b, std::size_t o) {
  return GetLe(b, o, 3);
}
inline std::uint32_t GetLe32(ByteSpan b, std::size_t o) {
  return GetLe(b, o, 4);
}
inline void PutU8(MutableByteSpan b, std::size_t o, std::uint32_t v) {
  PutLe(b, o, 1, v);
}
inline void PutLe16(MutableByteSpan b, std::size_t o, std::uint32_t v) {
  PutLe(b, o, 2, v);
}
inline void PutLe24(MutableByteSpan b, std::size_t o, std::uint32_t v) {
  PutLe(b, o, 3, v);
}
inline void PutLe32(MutableByteSpan b, std::size_t o, std::uint32_t v) {
  PutLe(b, o, 4, v);
}

}  // namespace tuneflash
