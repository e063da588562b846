// Satellite transponders: adding within the limits, finding, deleting with
// their programs, and the dense numbering 1..n per satellite.
#include "boxdb/transponders.h"

#include <gtest/gtest.h>

#include <random>

#include "boxdb/field_tables.h"
#include "dld/int_text.h"
#include "fixtures.h"
#include "support/box_image.h"

namespace tuneflash {
namespace {

using testing::MakeTp;

Slot AddTpNumbered(BoxDatabase& db, std::uint8_t sat, int frequency) {
  Slot slot = kNoSlot;
  AddTp(db, MakeTp(sat, static_cast<std::uint8_t>(GetSatTpCount(db, sat) + 1), frequency), slot);
  return slot;
}

// Numbers of satellite `sat` in both forms, by slot.
std::map<Slot, int> Numbers(const BoxDatabase& db, int sat) {
  std::map<Slot, int> numbers;
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) {
    if (db.satTpsShow()[i].used == 1 && db.satTpsShow()[i].sat_index == sat) {
      const auto box = DecodeSatTp(db.satTps()[i]);
      EXPECT_EQ(box.tp_number, db.satTpsShow()[i].tp_number);
      numbers[static_cast<Slot>(i)] = db.satTpsShow()[i].tp_number;
    }
  }
  return numbers;
}

void ExpectDense(const BoxDatabase& db, int sat) {
  const auto numbers = Numbers(db, sat);
  std::vector<int> sorted;
  for (const auto& [slot, n] : numbers) sorted.push_back(n);
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 0; i < sorted.size(); ++i)
    ASSERT_EQ(sorted[i], static_cast<int>(i + 1)) << "satellite " << sat;
  ASSERT_EQ(GetSatTpCount(db, sat), static_cast<int>(sorted.size()));
}

TEST(Transponders, AddWritesBothForms) {
  auto db = testing::ResetDb();
  const Slot slot = AddTpNumbered(*db, 5, 11778);
  ASSERT_EQ(slot, 0);
  EXPECT_EQ(GetTpCount(*db), 1);
  EXPECT_EQ(GetSatTpCount(*db, 5), 1);
  EXPECT_EQ(db->satTps()[0].bytes, (std::array<std::uint8_t, 16>{0x05, 0x01, 0x35, 0x00, 0x08, 0xB8, 0x6C,
                                                                 0x6B, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
  const auto show = db->satTpsShow()[0];
  EXPECT_EQ(show, DecodeSatTp(db->satTps()[0]));
  EXPECT_EQ(GetTpFrequency(*db, 0), "11778");
  EXPECT_EQ(GetTpSymbolRate(*db, 0), "27500");
  EXPECT_EQ(GetTpPolarity(*db, 0), 1);
  EXPECT_EQ(GetTpFec(*db, 0), 3);
  EXPECT_EQ(GetTpNumber(*db, -1), -1);
  EXPECT_EQ(GetTpSatIndex(*db, 2000), -1);
}

TEST(Transponders, RewriteOutsideAddingChangesOnlyTuning) {
  auto db = testing::ResetDb();
  AddTpNumbered(*db, 5, 11778);
  testing::BoxImage image(*db);
  image.SatTp(0)[2] |= 0x02;  // an undecoded bit of word A
  image.SatTp(0)[4] |= 0x01;  // tp_param_2
  image.LoadInto(*db);
  auto record = MakeTp(9, 77, 12000, 30000);
  record.polarisation = 0;
  record.fec = 4;
  ASSERT_TRUE(WriteTp(*db, 0, record, EditMode::Idle));
  const auto show = db->satTpsShow()[0];
  EXPECT_EQ(show.sat_index, 5);
  EXPECT_EQ(show.tp_number, 1);
  EXPECT_EQ(show.polarisation_text, "H");
  EXPECT_EQ(show.fec_text, "3/4");  // code 4 has no text: the old one stays
  const std::uint32_t a = GetLe32(db->satTps()[0].bytes, 0);
  EXPECT_EQ(a, 0x00430105u);
  EXPECT_EQ(GetLe32(db->satTps()[0].bytes, 4), (30000u << 16) | (12000u << 2) | 1u);
}

TEST(Transponders, ValuesThatDoNotFitAreRefused) {
  auto db = testing::ResetDb();
  const auto before = EncodeDatabaseImage(*db);
  Slot slot = kNoSlot;
  EXPECT_FALSE(AddTp(*db, MakeTp(1, 1, 16384), slot));
  EXPECT_FALSE(AddTp(*db, MakeTp(1, 1, 11000, 65536), slot));
  EXPECT_FALSE(AddTp(*db, MakeTp(1, 1, -1), slot));
  EXPECT_FALSE(AddTp(*db, MakeTp(64, 1, 11000), slot));  // no such satellite slot
  auto fec = MakeTp(1, 1, 11000);
  fec.fec = 16;
  EXPECT_FALSE(AddTp(*db, fec, slot));
  auto pol = MakeTp(1, 1, 11000);
  pol.polarisation = 4;
  EXPECT_FALSE(AddTp(*db, pol, slot));
  EXPECT_EQ(slot, kNoSlot);
  EXPECT_EQ(EncodeDatabaseImage(*db), before);
  auto text = MakeTp(1, 1, 11000);
  text.frequency_text = "11 000";
  EXPECT_THROW(AddTp(*db, text, slot), ConversionError);
  EXPECT_EQ(EncodeDatabaseImage(*db), before);
  EXPECT_TRUE(AddTp(*db, MakeTp(1, 1, 16383, 65535), slot));
}

TEST(Transponders, AtMost150PerSatellite) {
  auto db = testing::ResetDb();
  for (int i = 0; i < kMaxTpsPerSatellite; ++i) ASSERT_EQ(AddTpNumbered(*db, 7, 10000 + i), i);
  EXPECT_EQ(AddTpNumbered(*db, 7, 9000), kNoSlot);
  EXPECT_EQ(GetSatTpCount(*db, 7), 150);
  EXPECT_EQ(AddTpNumbered(*db, 8, 9000), 150);
  // The last number decodes back within its limit.
  auto decoded = std::make_unique<BoxDatabase>();
  DecodeDatabaseImage(*decoded, EncodeDatabaseImage(*db));
  ExpectDense(*decoded, 7);
}

TEST(Transponders, FullTable) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 2000; ++i)
    ASSERT_NE(AddTpNumbered(*db, static_cast<std::uint8_t>(i / 40), 10000 + i), kNoSlot);
  EXPECT_EQ(FindFreeTpSlot(*db), kNoSlot);
  const auto before = EncodeDatabaseImage(*db);
  EXPECT_EQ(AddTpNumbered(*db, 63, 9000), kNoSlot);
  EXPECT_EQ(EncodeDatabaseImage(*db), before);
  DeleteTp(*db, 1234);
  EXPECT_EQ(FindFreeTpSlot(*db), 1234);
  EXPECT_EQ(GetTpCount(*db), 1999);
}

TEST(Transponders, DeletingRenumbersTheSatellite) {
  auto db = testing::ResetDb();
  // Satellite 5 has numbers 1, 2, 3 in slots 10, 4, 7.
  for (int i = 0; i < 11; ++i) AddTpNumbered(*db, 1, 10000 + i);
  for (const Slot s : {Slot{10}, Slot{4}, Slot{7}}) {
    DeleteTp(*db, s);
    ASSERT_EQ(AddTpNumbered(*db, 5, 11000 + s), s);
  }
  const auto satOneBefore = Numbers(*db, 1);
  {
    auto onFour = testing::MakeProgram(4);
    auto onSeven = testing::MakeProgram(7);
    AddProgram(*db, onFour);
    AddProgram(*db, onSeven);
    AddProgram(*db, onFour);
  }
  ASSERT_EQ(Numbers(*db, 5), (std::map<Slot, int>{{10, 1}, {4, 2}, {7, 3}}));
  DeleteTp(*db, 4);
  EXPECT_EQ(Numbers(*db, 5), (std::map<Slot, int>{{7, 2}, {10, 1}}));
  EXPECT_EQ(GetSatTpCount(*db, 5), 2);
  EXPECT_EQ(db->programHeader().program_count, 1);
  EXPECT_EQ(ProgramTpIndex(*db, 1), 7);
  EXPECT_EQ(Numbers(*db, 1), satOneBefore);
}

TEST(Transponders, DeleteWithACountAlreadyZeroChangesNothing) {
  // Tables read from a box can say a satellite, or the table, has no
  // transponder while a slot is in use: counting it off would wrap.
  for (const bool tableCountZero : {false, true}) {
    auto db = testing::ResetDb();
    AddTpNumbered(*db, 5, 11000);
    AddTpNumbered(*db, 6, 12000);
    AddProgram(*db, testing::MakeProgram(0));
    testing::BoxImage image(*db);
    PutLe16(image.SatTpHeader(), tableCountZero ? 0 : 4 + 2 * 5, 0);
    image.LoadInto(*db);
    const auto before = EncodeDatabaseImage(*db);
    DeleteTp(*db, 0);
    EXPECT_EQ(EncodeDatabaseImage(*db), before) << tableCountZero;
    EXPECT_TRUE(IsTpUsed(*db, 0));
    EXPECT_EQ(ProgramCount(*db), 1);
  }
}

TEST(Transponders, DeletingNumberHundredOf140) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 140; ++i) AddTpNumbered(*db, 2, 10000 + i);
  DeleteTp(*db, 99);
  const auto numbers = Numbers(*db, 2);
  EXPECT_EQ(numbers.at(98), 99);
  EXPECT_EQ(numbers.at(100), 100);
  EXPECT_EQ(numbers.at(139), 139);
  ExpectDense(*db, 2);
}

TEST(Transponders, DeleteSatTpsLeavesFreeSlotsAndOtherSatellites) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 6; ++i) AddTpNumbered(*db, static_cast<std::uint8_t>(i % 2), 10000 + i);
  // A free slot whose stored satellite happens to be 0.
  testing::BoxImage image(*db);
  image.SatTp(50)[0] = 0;
  image.LoadInto(*db);
  ASSERT_EQ(db->satTpsShow()[50].sat_index, 0);
  const auto freeBefore = db->satTps()[50];
  DeleteSatTps(*db, 3);  // no transponders: nothing happens
  EXPECT_EQ(GetTpCount(*db), 6);
  DeleteSatTps(*db, 0);
  EXPECT_EQ(GetTpCount(*db), 3);
  EXPECT_EQ(GetSatTpCount(*db, 0), 0);
  EXPECT_EQ(Numbers(*db, 0).size(), 0u);
  ExpectDense(*db, 1);
  EXPECT_EQ(db->satTps()[50], freeBefore);
  DeleteTp(*db, 50);  // not in use: ignored
  EXPECT_EQ(GetTpCount(*db), 3);
}

TEST(Transponders, FindTpMatchesOnlyTranspondersInUse) {
  auto db = testing::ResetDb();
  const Slot slot = AddTpNumbered(*db, 4, 11778);
  Slot found = 99;
  EXPECT_TRUE(FindTp(*db, 4, 1, 3, " 11778 ", "27500", found));
  EXPECT_EQ(found, slot);
  found = 99;
  EXPECT_FALSE(FindTp(*db, 4, 1, 3, "11779", "27500", found));
  EXPECT_FALSE(FindTp(*db, 4, 1, 3, "011778", "27500", found));
  EXPECT_FALSE(FindTp(*db, 4, 0, 3, "11778", "27500", found));
  EXPECT_EQ(found, 99);
  // A free slot whose stored fields equal the searched ones.
  const SAT_TRANSPONDER_INFO_T inUse = db->satTps()[static_cast<std::size_t>(slot)];
  DeleteTp(*db, slot);
  testing::BoxImage image(*db);
  std::copy(inUse.bytes.begin(), inUse.bytes.end(), image.SatTp(static_cast<std::size_t>(slot)).begin());
  image.SatTp(static_cast<std::size_t>(slot))[2] &= 0xFE;  // not in use
  image.LoadInto(*db);
  ASSERT_EQ(GetTpFrequency(*db, slot), "11778");
  EXPECT_FALSE(FindTp(*db, 4, 1, 3, "11778", "27500", found));
}

TEST(Transponders, RandomDeletionsKeepNumbersDense) {
  auto db = testing::ResetDb();
  std::mt19937 rng(3);
  std::vector<Slot> used;
  for (int op = 0; op < 3000; ++op) {
    if (used.empty() || rng() % 100 < 55) {
      const Slot slot = AddTpNumbered(*db, static_cast<std::uint8_t>(rng() % 6), 10000 + op);
      if (slot != kNoSlot) {
        used.push_back(slot);
        if (rng() % 2 == 0) testing::Add(*db, testing::MakeProgram(slot));
      }
    } else {
      const auto at = rng() % used.size();
      DeleteTp(*db, used[at]);
      ASSERT_EQ(CountProgramsOnTp(*db, used[at]), 0);
      used.erase(used.begin() + static_cast<long>(at));
    }
    if (op % 50 == 0) {
      for (int sat = 0; sat < 6; ++sat) ASSERT_NO_FATAL_FAILURE(ExpectDense(*db, sat));
      ASSERT_EQ(GetTpCount(*db), static_cast<int>(used.size()));
      testing::ExpectListConsistent(*db);
    }
  }
}

TEST(TerrestrialTransponders, ResetAndRoundTrip) {
  auto db = testing::ResetDb();
  testing::BoxImage read(*db);
  PutLe16(read.TerTpHeader(), 0, 3);
  PutLe16(read.TerTpHeader(), 2, 0x1234);
  read.LoadInto(*db);
  ResetAllTerTps(*db);
  EXPECT_EQ(db->terTpHeader().ter_tp_count, 0);
  EXPECT_EQ(db->terTpHeader().reserved, 0x1234);
  testing::BoxImage image(*db);
  PutLe32(image.TerTp(3), 4, 650000);
  auto decoded = std::make_unique<BoxDatabase>();
  ReadTerTpPart(*decoded, image.Image());
  EXPECT_EQ(decoded->terTpsShow()[3].frequency_text, "650.0");
  EXPECT_EQ(decoded->terTpHeader().reserved, 0x1234);
}

}  // namespace
}  // namespace tuneflash
