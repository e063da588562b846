// Images from a box may hold anything: looping or broken links, counts and
// indexes beyond their tables. No operation may crash, hang or reach outside
// a table (the sanitizer build watches the last).
#include <gtest/gtest.h>

#include <random>

#include "boxdb/database_image.h"
#include "boxdb/field_tables.h"
#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/system_sector.h"
#include "boxdb/transponders.h"
#include "fixtures.h"
#include "support/box_image.h"

namespace tuneflash {
namespace {

void SetLinks(testing::BoxImage& image, std::size_t slot, Slot prev, Slot next) {
  PutLe16(image.Program(slot), kProgramPrevOffset, static_cast<std::uint16_t>(prev));
  PutLe16(image.Program(slot), kProgramNextOffset, static_cast<std::uint16_t>(next));
}

TEST(BadInput, LoopingAndBrokenProgramLinks) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 6; ++i) testing::Add(*db, testing::MakeProgram(1));
  testing::BoxImage image(*db);
  SetLinks(image, 2, 1, 0);     // 0 -> 1 -> 2 -> 0 -> ...
  SetLinks(image, 4, 3, 5000);  // outside the table
  SetLinks(image, 5, -300, 4);
  auto loaded = image.Load();
  EXPECT_EQ(ProgramListOrder(*loaded), (std::vector<Slot>{0, 1, 2}));
  for (const Slot s : {Slot{4}, Slot{5}, Slot{2}, Slot{0}, Slot{1}, Slot{3}}) DeleteProgram(*loaded, s);
  EXPECT_EQ(loaded->programHeader().program_count, 0);
  EXPECT_EQ(testing::Add(*loaded, testing::MakeProgram(1)), 0);
}

TEST(BadInput, CountsAndIndexesBeyondTheirTables) {
  auto db = testing::ResetDb();
  testing::Add(*db, testing::MakeProgram(1));
  testing::BoxImage image(*db);
  // Program 0 names provider 400 and satellite 64 (the decoders' limits), four CA ids.
  EncodeBitField(image.Program(0), kProgramFields[program_bits::kProviderIndex], 400);
  EncodeBitField(image.Program(0), kProgramFields[program_bits::kCaCount], 7);
  // Favourite groups with counts outside 0..200.
  PutLe16(image.FavGroup(0), 0, 300);
  PutLe16(image.FavGroup(1), 0, static_cast<std::uint16_t>(-5));
  PutLe16(image.FavGroup(0), 18 + 2 * 199, 0);
  // A transponder in use on satellite "64", header counts out of range.
  PutLe32(image.SatTp(3), 0, (1u << 16) | (9u << 8) | 0xFFu);
  PutLe16(image.SatTpHeader(), 0, static_cast<std::uint16_t>(-3));
  for (std::size_t sat = 0; sat < kSatelliteCapacity; ++sat)
    PutLe16(image.SatTpHeader(), 4 + 2 * sat, 0xFFFF);
  PutLe32(image.SatTp(4), 0, (1u << 16) | (1u << 8) | 2u);
  EncodeBitField(image.Program(0), kProgramFields[program_bits::kTpIndex], 0xFFF);

  auto loaded = image.Load();
  EXPECT_EQ(loaded->programsShow()[0].provider_index, 400);
  EXPECT_EQ(loaded->programsShow()[0].ca_count, 3);  // 0b111 under the limit 4 reads 11
  EXPECT_EQ(loaded->satTpsShow()[3].sat_index, 63);
  EXPECT_EQ(ProviderGroupCount(*loaded, 400), 0);
  RemoveFromFavGroup(*loaded, 0, 0);
  EXPECT_EQ(loaded->favGroupsShow()[0].count, 199);
  RemoveFromFavGroup(*loaded, 1, 0);
  RemoveFromFavGroup(*loaded, -1, 0);
  DeleteProgram(*loaded, 0);
  DeleteTp(*loaded, 3);
  DeleteSatTps(*loaded, 2);
  DeleteSatTps(*loaded, 255);
  CountSatTp(*loaded, 64, EditMode::Adding);
  EXPECT_EQ(GetSatTpCount(*loaded, 64), 0);
  Slot slot = kNoSlot;
  EXPECT_FALSE(AddTp(*loaded, testing::MakeTp(5, 1, 11000), slot));  // satellite 5 counts 65535 already
}

TEST(BadInput, RandomImagesSurviveEveryOperation) {
  std::mt19937 rng(77);
  for (int round = 0; round < 4; ++round) {
    Bytes image(kDatabaseImageSize);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    auto db = std::make_unique<BoxDatabase>();
    DecodeDatabaseImage(*db, image);
    Bytes sector(kSystemSectorSize);
    for (auto& b : sector) b = static_cast<std::uint8_t>(rng());
    DecodeSystemSector(*db, sector);

    EXPECT_LE(ProgramListOrder(*db).size(), kProgramCapacity);
    for (int op = 0; op < 300; ++op) {
      const auto slot = static_cast<Slot>(static_cast<int>(rng() % 4200) - 100);
      switch (rng() % 6) {
        case 0:
          DeleteProgram(*db, slot);
          break;
        case 1:
          DeleteTp(*db, slot);
          break;
        case 2:
          DeleteSatTps(*db, static_cast<int>(rng() % 70));
          break;
        case 3:
          RemoveFromFavGroup(*db, static_cast<int>(rng() % 10), slot);
          break;
        case 4: {
          Slot tp = kNoSlot;
          AddTp(*db, testing::MakeTp(static_cast<std::uint8_t>(rng() % 64), 1, 11000), tp);
          AddProgram(*db, testing::MakeProgram(tp));
          break;
        }
        default:
          DeleteProgramsOfTp(*db, static_cast<int>(rng() % 2100));
          break;
      }
    }
    EXPECT_EQ(EncodeDatabaseImage(*db).size(), kDatabaseImageSize);
    Bytes out(kSystemSectorSize, 0xFF);
    if (db->systemBlockValid()) {
      EncodeSystemSector(*db, out);
    } else {
      EXPECT_THROW(EncodeSystemSector(*db, out), std::invalid_argument);
      EXPECT_FALSE(SystemBlockChanged(*db));  // nothing mended a broken block
    }
  }
}

}  // namespace
}  // namespace tuneflash
