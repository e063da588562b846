// The system sector: which copy is taken, what is written, and the program
// references cleared when a program goes.
#include "boxdb/system_sector.h"

#include <gtest/gtest.h>

#include <random>

#include "dld/crc32.h"
#include "fixtures.h"

namespace tuneflash {
namespace {

// A system block with plausible settings, program references 0..7 naming
// programs 10, 11, 10, 12, 13, 10, 14, 15 (so program 10 has references 0, 2, 5).
Bytes MakeBlock(std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes block(kSystemBlockSize);
  for (auto& b : block) b = static_cast<std::uint8_t>(rng());
  const std::array<std::uint16_t, 8> refs{10, 11, 10, 12, 13, 10, 14, 15};
  for (std::size_t s = 0; s < 8; ++s) {
    PutLe16(block, 40 + 2 * s, refs[s]);
    PutLe16(block, 56 + 2 * s, static_cast<std::uint16_t>(100 + s));
  }
  block[36] = '1';
  block[37] = 'x';
  block[38] = '2';
  block[39] = '3';
  PutLe32(block, 240, CalcCrc32(ByteSpan(block).first(240)));
  PutLe32(block, 252, CalcCrc32(ByteSpan(block).subspan(244, 8)));
  return block;
}

Bytes ErasedSector() {
  return Bytes(kSystemSectorSize, 0xFF);
}

void Place(Bytes& sector, std::size_t offset, const Bytes& block) {
  std::copy(block.begin(), block.end(), sector.begin() + static_cast<std::ptrdiff_t>(offset));
}

TEST(SystemSector, ErasedSectorDecodesNoBlockAndKeepsTheShowForm) {
  auto db = testing::ResetDb();
  Bytes sector = ErasedSector();
  Place(sector, 0x100, MakeBlock(1));
  ASSERT_TRUE(DecodeSystemSector(*db, sector));
  EXPECT_FALSE(DecodeSystemSector(*db, ErasedSector()));
  EXPECT_EQ(db->systemBlockShow().box_info.digits_36, "123");
  EXPECT_TRUE(std::all_of(db->systemBlock().bytes.begin(), db->systemBlock().bytes.end(),
                          [](std::uint8_t b) { return b == 0xFF; }));
}

TEST(SystemSector, HighestValidCopyWins) {
  auto db = testing::ResetDb();
  Bytes sector = ErasedSector();
  for (std::size_t i = 0; i < 100; ++i) sector[i] = static_cast<std::uint8_t>(i);
  const Bytes low = MakeBlock(1), high = MakeBlock(2);
  Place(sector, 0x100, low);
  Place(sector, 0x200, high);
  Bytes badSecond = MakeBlock(3);
  badSecond[250] ^= 1;  // first area still matches, second does not
  Place(sector, 0x300, badSecond);
  EXPECT_TRUE(DecodeSystemSector(*db, sector));
  EXPECT_TRUE(std::equal(high.begin(), high.end(), db->systemBlock().bytes.begin()));
  EXPECT_EQ(db->sectorHeader()[79], 79);
  EXPECT_EQ(db->secondHeader()[19], 99);
  EXPECT_EQ(db->systemBlockShow().box_info.digits_36, "123");
  EXPECT_EQ(db->systemBlockShow().box_info.ref_program[2], 10);
  EXPECT_EQ(db->systemBlockShow().box_info.ref_second_index[7], 107);
}

TEST(SystemSector, EncodedSectorHoldsExactlyTheLowestSlot) {
  auto db = testing::ResetDb();
  Bytes sector = ErasedSector();
  Place(sector, 0x4000, MakeBlock(5));
  ASSERT_TRUE(DecodeSystemSector(*db, sector));
  ClearProgramRefs(*db, 10);  // a change to the block: the first check value is renewed
  Bytes image(0x50000, 0xFF);
  EncodeSystemSector(*db, image);
  for (std::size_t k = 0; k < kSystemBlockSlotCount; ++k) {
    const std::size_t offset = 0x100 + 0x100 * k;
    EXPECT_EQ(IsValidSystemBlock(ByteSpan(image).subspan(offset, 256)), offset == 0x100) << offset;
  }
  EXPECT_EQ(GetLe32(db->systemBlock().bytes, 240), GetLe32(image, 496));
  auto again = testing::ResetDb();
  ASSERT_TRUE(DecodeSystemSector(*again, ByteSpan(image).first(kSystemSectorSize)));
  EXPECT_EQ(again->systemBlock(), db->systemBlock());
  EXPECT_EQ(again->secondHeader(), db->secondHeader());
  EXPECT_TRUE(std::all_of(image.begin() + 0x200, image.end(), [](std::uint8_t b) { return b == 0xFF; }));
  Bytes small(100);
  EXPECT_THROW(EncodeSystemSector(*db, small), std::invalid_argument);
}

TEST(SystemSector, ClearingReferencesTouchesOnlyThoseNamingTheProgram) {
  auto db = testing::ResetDb();
  Bytes sector = ErasedSector();
  Place(sector, 0x100, MakeBlock(8));
  ASSERT_TRUE(DecodeSystemSector(*db, sector));
  const auto before = db->systemBlock();
  const auto showBefore = db->systemBlockShow();

  ClearProgramRefs(*db, 99);
  EXPECT_FALSE(SystemBlockChanged(*db));
  EXPECT_EQ(db->systemBlock(), before);

  ClearProgramRefs(*db, 10);
  EXPECT_TRUE(SystemBlockChanged(*db));
  const auto& b = db->systemBlock().bytes;
  for (std::size_t s = 0; s < 8; ++s) {
    const bool cleared = s == 0 || s == 2 || s == 5;
    EXPECT_EQ(GetLe16(b, 40 + 2 * s), cleared ? 0xFFFF : GetLe16(before.bytes, 40 + 2 * s)) << s;
    EXPECT_EQ(GetLe16(b, 56 + 2 * s), cleared ? 0xFFFF : 100 + s) << s;
    for (std::size_t g = 0; g < 6; ++g) {
      EXPECT_EQ(b[72 + 8 * g + s], cleared ? 0 : before.bytes[72 + 8 * g + s]);
    }
  }
  // Modes: reference 0 bits 2..0 and reference 2 bits 10..8 of word 120, reference 5 bits 3..1 of word 128.
  EXPECT_EQ(GetLe32(b, 120), GetLe32(before.bytes, 120) & ~0x707u);
  EXPECT_EQ(GetLe32(b, 124), GetLe32(before.bytes, 124));
  EXPECT_EQ(GetLe32(b, 128), GetLe32(before.bytes, 128) & ~0xEu);
  // The show form follows, and equals a fresh decode of the changed block apart from nothing.
  EXPECT_EQ(db->systemBlockShow(), DecodeSystemBlock(db->systemBlock()));
  EXPECT_NE(db->systemBlockShow(), showBefore);
  // Everything outside the references is untouched.
  EXPECT_TRUE(std::equal(b.begin(), b.begin() + 40, before.bytes.begin()));
  EXPECT_TRUE(std::equal(b.begin() + 132, b.begin() + 240, before.bytes.begin() + 132));
  ClearSystemBlockChanged(*db);
  EXPECT_FALSE(SystemBlockChanged(*db));
}

TEST(SystemSector, DeletingAProgramClearsItsReferences) {
  auto db = testing::ResetDb();
  Bytes sector = ErasedSector();
  Place(sector, 0x100, MakeBlock(9));
  ASSERT_TRUE(DecodeSystemSector(*db, sector));
  for (int i = 0; i < 12; ++i) ASSERT_EQ(testing::Add(*db, testing::MakeProgram(1)), i);
  DeleteProgram(*db, 5);
  EXPECT_FALSE(SystemBlockChanged(*db));
  DeleteProgram(*db, 11);
  EXPECT_TRUE(SystemBlockChanged(*db));
  EXPECT_EQ(db->systemBlockShow().box_info.ref_program[1], -1);
  EXPECT_EQ(db->systemBlockShow().box_info.ref_program[0], 10);
}

TEST(SystemSector, WithoutAValidCopyDeletingProgramZeroChangesNothing) {
  // The show form still holds its zero start values (every reference names
  // program 0); the erased block that would be written names no program.
  auto db = std::make_unique<BoxDatabase>();
  ResetDatabase(*db);
  ASSERT_FALSE(DecodeSystemSector(*db, ErasedSector()));
  ASSERT_EQ(db->systemBlockShow().box_info.ref_program[0], 0);
  ASSERT_EQ(testing::Add(*db, testing::MakeProgram(1)), 0);
  DeleteProgram(*db, 0);
  EXPECT_FALSE(SystemBlockChanged(*db));
  EXPECT_TRUE(std::all_of(db->systemBlock().bytes.begin(), db->systemBlock().bytes.end(),
                          [](std::uint8_t b) { return b == 0xFF; }));
}

TEST(SystemSector, ABrokenCopyIsNeverMendedIntoANewSector) {
  // Only copy: the lowest slot, naming program 10, its second check value wrong.
  auto db = testing::ResetDb();
  Bytes sector = ErasedSector();
  Bytes broken = MakeBlock(4);
  broken[250] ^= 1;
  Place(sector, 0x100, broken);
  ASSERT_FALSE(DecodeSystemSector(*db, sector));
  EXPECT_FALSE(db->systemBlockValid());
  for (int i = 0; i < 12; ++i) ASSERT_EQ(testing::Add(*db, testing::MakeProgram(1)), i);
  DeleteProgram(*db, 10);
  ClearProgramRefs(*db, 10);
  EXPECT_FALSE(SystemBlockChanged(*db));
  EXPECT_TRUE(std::equal(broken.begin(), broken.end(), db->systemBlock().bytes.begin()));
  Bytes image(kSystemSectorSize, 0xFF);
  EXPECT_THROW(EncodeSystemSector(*db, image), std::invalid_argument);
  EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0xFF; }));
  // A valid copy read afterwards makes the block the tool's to change again.
  Place(sector, 0x200, MakeBlock(5));
  ASSERT_TRUE(DecodeSystemSector(*db, sector));
  EXPECT_TRUE(db->systemBlockValid());
}

TEST(SystemSector, ShowFormFieldsSitWhereTheLayoutSays) {
  SYSTEM_DATA_BASE_T block;
  PutLe32(block.bytes, 0, (100u << 25) | (1u << 3));
  PutLe32(block.bytes, 120, (69u << 24) | (5u << 8) | 7u);
  PutLe32(block.bytes, 152, (1u << 23) | 0xBEEFu);
  PutLe32(block.bytes, 244, (17u << 26) | 3u);
  PutLe32(block.bytes, 248, 0xFFFFFFF8u);
  const auto show = DecodeSystemBlock(block);
  EXPECT_EQ(show.box_info.word_0[3], 1);
  EXPECT_EQ(show.box_info.word_0[10], 100);
  EXPECT_EQ(show.box_info.word_120[0], 7);
  EXPECT_EQ(show.box_info.word_120[3], 5);
  EXPECT_EQ(show.box_info.word_120[8], 69);
  EXPECT_EQ(show.box_info.value_152, 0xBEEF);
  EXPECT_EQ(show.box_info.flags_152[7], 1);
  EXPECT_EQ(show.word_244[0], 3);
  EXPECT_EQ(show.word_244[7], 17);
  EXPECT_EQ(show.word_244[8], 8);  // 0b1000 within the limit 8
}

}  // namespace
}  // namespace tuneflash
