// The system sector and the system block: finding the valid copy, decoding
// it, clearing program references, and writing a new sector.
#include "boxdb/system_sector.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "boxdb/bit_field.h"
#include "boxdb/table_access.h"
#include "dld/crc32.h"

namespace tuneflash {
namespace {

// The bit fields of the system block, word by word (byte offsets in the block).
constexpr std::array<BitField, 11> kWord0{{{"", 0, 0, 0, 1},
                                           {"", 0, 1, 1, 1},
                                           {"", 0, 2, 2, 1},
                                           {"", 0, 3, 3, 1},
                                           {"", 0, 5, 4, 2},
                                           {"", 0, 7, 6, 3},
                                           {"", 0, 11, 8, 5},
                                           {"", 0, 14, 12, 5},
                                           {"", 0, 16, 15, 8},
                                           {"", 0, 24, 17, 128},
                                           {"", 0, 31, 25, 100}}};
constexpr std::array<BitField, 9> kWord20{{{"", 20, 0, 0, 1},
                                           {"", 20, 1, 1, 1},
                                           {"", 20, 7, 2, 17},
                                           {"", 20, 8, 8, 1},
                                           {"", 20, 9, 9, 1},
                                           {"", 20, 15, 10, 17},
                                           {"", 20, 19, 16, 12},
                                           {"", 20, 25, 20, 59},
                                           {"", 20, 31, 26, 48}}};
constexpr std::array<BitField, 6> kWord24{{{"", 24, 4, 0, 23},
                                           {"", 24, 9, 5, 23},
                                           {"", 24, 15, 10, 59},
                                           {"", 24, 20, 16, 31},
                                           {"", 24, 25, 21, 23},
                                           {"", 24, 31, 26, 59}}};
constexpr std::array<BitField, 7> kWord28{{{"", 28, 3, 0, 5},
                                           {"", 28, 4, 4, 1},
                                           {"", 28, 9, 5, 23},
                                           {"", 28, 15, 10, 17},
                                           {"", 28, 19, 16, 5},
                                           {"", 28, 25, 20, 17},
                                           {"", 28, 31, 26, 17}}};
constexpr std::array<BitField, 8> kWord32{{{"", 32, 0, 0, 1},
                                           {"", 32, 3, 1, 3},
                                           {"", 32, 9, 4, 59},
                                           {"", 32, 15, 10, 59},
                                           {"", 32, 20, 16, 23},
                                           {"", 32, 23, 21, 3},
                                           {"", 32, 27, 24, 8},
                                           {"", 32, 29, 28, 3}}};
constexpr std::array<BitField, 9> kWord120{{{"mode of reference 0", 120, 2, 0, 7},
                                            {"mode of reference 1", 120, 5, 3, 7},
                                            {"", 120, 7, 6, 3},
                                            {"mode of reference 2", 120, 10, 8, 7},
                                            {"mode of reference 3", 120, 13, 11, 7},
                                            {"", 120, 15, 14, 3},
                                            {"", 120, 19, 16, 3},
                                            {"", 120, 23, 20, 8},
                                            {"", 120, 31, 24, 69}}};
constexpr std::array<BitField, 9> kWord124{{{"", 124, 0, 0, 1},
                                            {"", 124, 3, 1, 3},
                                            {"", 124, 7, 4, 4},
                                            {"mode of reference 4", 124, 10, 8, 7},
                                            {"", 124, 15, 11, 20},
                                            {"", 124, 19, 16, 8},
                                            {"", 124, 23, 20, 8},
                                            {"", 124, 27, 24, 10},
                                            {"", 124, 31, 28, 10}}};
constexpr std::array<BitField, 8> kWord128{{{"", 128, 0, 0, 1},
                                            {"mode of reference 5", 128, 3, 1, 7},
                                            {"mode of reference 6", 128, 6, 4, 7},
                                            {"mode of reference 7", 128, 9, 7, 7},
                                            {"", 128, 15, 10, 40},
                                            {"", 128, 18, 16, 1},
                                            {"", 128, 23, 19, 15},
                                            {"", 128, 31, 24, 255}}};
constexpr std::array<BitField, 9> kWord152{{{"", 152, 15, 0, 65535},
                                            {"", 152, 16, 16, 1},
                                            {"", 152, 17, 17, 1},
                                            {"", 152, 18, 18, 1},
                                            {"", 152, 19, 19, 1},
                                            {"", 152, 20, 20, 1},
                                            {"", 152, 21, 21, 1},
                                            {"", 152, 22, 22, 1},
                                            {"", 152, 23, 23, 1}}};
constexpr std::array<BitField, 9> kWord244{{{"", 244, 1, 0, 3},
                                            {"", 244, 4, 2, 3},
                                            {"", 244, 7, 5, 3},
                                            {"", 244, 15, 8, 69},
                                            {"", 244, 19, 16, 3},
                                            {"", 244, 23, 20, 5},
                                            {"", 244, 25, 24, 3},
                                            {"", 244, 31, 26, 17},
                                            {"", 248, 3, 0, 8}}};

// Where the mode of each program reference lies: its field and its place in the show form.
constexpr std::array<BitField, kProgramRefCount> kRefModeFields{
    kWord120[0], kWord120[1], kWord120[3], kWord120[4], kWord124[3], kWord128[1], kWord128[2], kWord128[3]};
std::uint8_t& RefModeShow(BOX_INFO_SHOW_T& show, std::size_t ref) {
  constexpr std::array<std::size_t, kProgramRefCount> kPositions{0, 1, 3, 4, 3, 1, 2, 3};
  if (ref < 4) return show.word_120[kPositions[ref]];
  if (ref == 4) return show.word_124[kPositions[ref]];
  return show.word_128[kPositions[ref]];
}

constexpr std::size_t kDigitsOffset = 36;
constexpr std::size_t kDigitsSize = 4;
constexpr std::size_t kRefProgramOffset = 40;
constexpr std::size_t kRefSecondIndexOffset = 56;
constexpr std::size_t kRefBytesOffset = 72;

template <std::size_t N>
void DecodeInto(std::array<std::uint8_t, N>& out, ByteSpan block, const std::array<BitField, N>& table) {
  const auto values = DecodeBitFields(block, table);
  std::transform(values.begin(), values.end(), out.begin(),
                 [](std::uint32_t v) { return static_cast<std::uint8_t>(v); });
}

// `bytes` as a span of at least `size` bytes, padded with 0xFF into `padded` when shorter.
ByteSpan AtLeast(ByteSpan bytes, std::size_t size, Bytes& padded) {
  if (bytes.size() >= size) return bytes;
  padded.assign(size, 0xFF);
  std::copy(bytes.begin(), bytes.end(), padded.begin());
  return padded;
}

}  // namespace

bool IsValidSystemBlock(ByteSpan block) {
  if (block.size() < kSystemBlockSize) return false;
  return CalcCrc32(block.first(kBlockFirstAreaSize)) == GetLe32(block, kBlockFirstCrcOffset) &&
         CalcCrc32(block.subspan(kBlockSecondAreaOffset, kBlockSecondAreaSize)) ==
             GetLe32(block, kBlockSecondCrcOffset);
}

SYSTEM_DATA_BASE_SHOW_T DecodeSystemBlock(const SYSTEM_DATA_BASE_T& block) {
  const ByteSpan b(block.bytes);
  SYSTEM_DATA_BASE_SHOW_T out;
  auto& s = out.box_info;
  DecodeInto(s.word_0, b, kWord0);
  s.bytes_4 = {b[4], b[5]};
  for (std::size_t i = 0; i < s.shorts_6.size(); ++i) s.shorts_6[i] = GetLe16(b, 6 + 2 * i);
  DecodeInto(s.word_20, b, kWord20);
  DecodeInto(s.word_24, b, kWord24);
  DecodeInto(s.word_28, b, kWord28);
  DecodeInto(s.word_32, b, kWord32);
  for (std::size_t i = 0; i < kDigitsSize; ++i) {
    const auto c = static_cast<char>(b[kDigitsOffset + i]);
    if (c >= '0' && c <= '9') s.digits_36.push_back(c);
  }
  for (std::size_t r = 0; r < kProgramRefCount; ++r) {
    s.ref_program[r] = static_cast<std::int16_t>(GetLe16(b, kRefProgramOffset + 2 * r));
    s.ref_second_index[r] = static_cast<std::int16_t>(GetLe16(b, kRefSecondIndexOffset + 2 * r));
  }
  for (std::size_t g = 0; g < kProgramRefByteGroups; ++g) {
    for (std::size_t r = 0; r < kProgramRefCount; ++r) s.ref_bytes[g][r] = b[kRefBytesOffset + 8 * g + r];
  }
  DecodeInto(s.word_120, b, kWord120);
  DecodeInto(s.word_124, b, kWord124);
  DecodeInto(s.word_128, b, kWord128);
  for (std::size_t i = 0; i < s.longs_132.size(); ++i) s.longs_132[i] = GetLe32(b, 132 + 4 * i);
  for (std::size_t i = 0; i < s.bytes_144.size(); ++i) s.bytes_144[i] = b[144 + i];
  for (std::size_t i = 0; i < s.shorts_148.size(); ++i) s.shorts_148[i] = GetLe16(b, 148 + 2 * i);
  const auto word152 = DecodeBitFields(b, kWord152);
  s.value_152 = static_cast<std::uint16_t>(word152[0]);
  for (std::size_t i = 0; i < s.flags_152.size(); ++i)
    s.flags_152[i] = static_cast<std::uint8_t>(word152[i + 1]);
  for (std::size_t i = 0; i < s.shorts_224.size(); ++i) s.shorts_224[i] = GetLe16(b, 224 + 2 * i);
  DecodeInto(out.word_244, b, kWord244);
  return out;
}

bool DecodeSystemSector(BoxDatabase& db, ByteSpan sectorBytes) {
  Bytes padded;
  const ByteSpan sector = AtLeast(sectorBytes, kSystemSectorSize, padded);
  std::copy_n(sector.begin() + kSectorHeaderOffset, kSectorHeaderSize, Tables(db).sectorHeader.begin());
  std::copy_n(sector.begin() + kSecondHeaderOffset, kSecondHeaderSize, Tables(db).secondHeader.begin());
  for (std::size_t k = 0; k < kSystemBlockSlotCount; ++k) {
    const auto block = sector.subspan(kHighestSystemBlockSlot - kSystemBlockSize * k, kSystemBlockSize);
    if (IsValidSystemBlock(block)) {
      std::copy(block.begin(), block.end(), Tables(db).systemBlock.bytes.begin());
      Tables(db).systemBlockShow = DecodeSystemBlock(Tables(db).systemBlock);
      Tables(db).systemBlockValid = true;
      return true;
    }
  }
  const auto lowest = sector.subspan(kLowestSystemBlockSlot, kSystemBlockSize);
  std::copy(lowest.begin(), lowest.end(), Tables(db).systemBlock.bytes.begin());
  Tables(db).systemBlockValid = false;
  return false;
}

void EncodeSystemSector(BoxDatabase& db, MutableByteSpan image) {
  if (image.size() < kSystemSectorSize) {
    throw std::invalid_argument("data image of " + std::to_string(image.size()) +
                                " bytes cannot hold a system sector");
  }
  if (!Tables(db).systemBlockValid) {
    throw std::invalid_argument(
        "no valid system block was read; a new system sector would carry a broken one");
  }
  auto& block = Tables(db).systemBlock.bytes;
  PutLe32(block, kBlockFirstCrcOffset, CalcCrc32(ByteSpan(block).first(kBlockFirstAreaSize)));
  std::copy(Tables(db).sectorHeader.begin(), Tables(db).sectorHeader.end(),
            image.begin() + kSectorHeaderOffset);
  std::copy(Tables(db).secondHeader.begin(), Tables(db).secondHeader.end(),
            image.begin() + kSecondHeaderOffset);
  std::copy(block.begin(), block.end(), image.begin() + kLowestSystemBlockSlot);
}

void ClearProgramRefs(BoxDatabase& db, Slot program) {
  // A block whose check values were wrong is not the box's; it is carried as
  // it was, never mended into a new sector.
  if (!Tables(db).systemBlockValid) return;
  MutableByteSpan block(Tables(db).systemBlock.bytes);
  auto& show = Tables(db).systemBlockShow.box_info;
  for (std::size_t r = 0; r < kProgramRefCount; ++r) {
    // The box form is what a new sector would carry, so it decides.
    if (static_cast<Slot>(GetLe16(block, kRefProgramOffset + 2 * r)) != program) continue;
    PutLe16(block, kRefProgramOffset + 2 * r, static_cast<std::uint16_t>(kNoSlot));
    PutLe16(block, kRefSecondIndexOffset + 2 * r, static_cast<std::uint16_t>(kNoSlot));
    show.ref_program[r] = kNoSlot;
    show.ref_second_index[r] = kNoSlot;
    for (std::size_t g = 0; g < kProgramRefByteGroups; ++g) {
      block[kRefBytesOffset + 8 * g + r] = 0;
      show.ref_bytes[g][r] = 0;
    }
    EncodeBitField(block, kRefModeFields[r], 0);
    RefModeShow(show, r) = 0;
    Tables(db).systemBlockChanged = true;
  }
}

void ClearSystemBlockChanged(BoxDatabase& db) {
  Tables(db).systemBlockChanged = false;
}

}  // namespace tuneflash
