// Adding and deleting programs: the list, the counters, the groups and the
// values that must not spill into neighbouring fields.
#include "boxdb/programs.h"

#include <gtest/gtest.h>

#include "boxdb/field_tables.h"
#include "dld/int_text.h"
#include "fixtures.h"

namespace tuneflash {
namespace {

using testing::Add;
using testing::MakeProgram;

TEST(Programs, AddingLinksAtTheEnd) {
  auto db = testing::ResetDb();
  ASSERT_EQ(Add(*db, MakeProgram(4)), 0);
  EXPECT_EQ(db->programHeader(), (PROGRAM_LIST_HEADER_T{0, 0, 1, 1, 0, 0}));
  EXPECT_EQ(db->programsShow()[0].prev_program, -1);
  EXPECT_EQ(db->programsShow()[0].next_program, -1);
  ASSERT_EQ(Add(*db, MakeProgram(4, 1)), 1);
  EXPECT_EQ(db->programsShow()[0].next_program, 1);
  EXPECT_EQ(GetLe16(db->programs()[0].bytes, 2), 1);
  EXPECT_EQ(db->programsShow()[1].prev_program, 0);
  EXPECT_EQ(db->programHeader(), (PROGRAM_LIST_HEADER_T{0, 1, 2, 1, 1, 0}));
  testing::ExpectListConsistent(*db);
}

TEST(Programs, AddedProgramDecodesToWhatWasGiven) {
  auto db = testing::ResetDb();
  auto p = MakeProgram(1234, 1, "Das Erste HD");
  p.language = {'d', 'e', 'u'};
  p.service_id = 0x2B66;
  p.provider_index = 7;
  p.ca_count = 2;
  p.ca_ids = {0x0B00, 0x1702, 0, 0};
  p.scrambled = 1;
  p.prog_flag_3 = 1;
  p.prog_param_2 = 200;
  p.pid_2_type = 3;
  const Slot slot = Add(*db, p);
  ASSERT_EQ(slot, 0);
  const auto decoded = DecodeProgram(db->programs()[0]);
  EXPECT_EQ(decoded.language, p.language);  // letters 2 and 3 in the order the decoder reads them
  EXPECT_EQ(decoded.tp_index, 1234);
  EXPECT_EQ(decoded.tp_source, 1);
  EXPECT_EQ(decoded.service_type, 1);
  EXPECT_EQ(decoded.service_id, 0x2B66);
  EXPECT_EQ(decoded.pid_1_text, "160");
  EXPECT_EQ(decoded.pid_2_text, "161");
  EXPECT_EQ(decoded.pid_2_type, 3);
  EXPECT_EQ(decoded.pid_3_text, "162");
  EXPECT_EQ(decoded.pid_4_text, "8191");
  EXPECT_EQ(decoded.ca_count, 2);
  EXPECT_EQ(decoded.ca_ids, p.ca_ids);
  EXPECT_EQ(decoded.scrambled, 1);
  EXPECT_EQ(decoded.prog_flag_3, 1);
  EXPECT_EQ(decoded.prog_param_2, 200);
  EXPECT_EQ(decoded.sat_index, 3);
  EXPECT_EQ(decoded.provider_index, 7);
  EXPECT_EQ(decoded.name, "Das Erste HD");
  EXPECT_EQ(db->programs()[0].bytes[23] & 0xFE, 0);  // W5 bits 31..25 written as 0
  // No provider: all ones of the 9-bit field.
  ASSERT_EQ(Add(*db, MakeProgram(5)), 1);
  EXPECT_EQ((GetLe32(db->programs()[1].bytes, 20) >> 16) & 0x1FF, 0x1FFu);

  // The show form is what the box form decodes to.
  EXPECT_EQ(db->programsShow()[0], DecodeProgram(db->programs()[0]));
}

TEST(Programs, NameIsCutTo16Bytes) {
  auto db = testing::ResetDb();
  ASSERT_EQ(Add(*db, MakeProgram(1, 0, "A very long program name")), 0);
  EXPECT_EQ(db->programsShow()[0].name, "A very long prog");
  EXPECT_EQ(DecodeProgram(db->programs()[0]).name, "A very long prog");
}

TEST(Programs, ValuesThatDoNotFitAreRefusedAndChangeNothing) {
  auto db = testing::ResetDb();
  ASSERT_EQ(Add(*db, MakeProgram(1)), 0);
  const auto before = EncodeDatabaseImage(*db);
  const auto header = db->programHeader();

  auto pid = MakeProgram(1);
  pid.pid_3_text = "8192";
  auto ca = MakeProgram(1);
  ca.ca_count = 5;
  auto tp = MakeProgram(4096);
  auto negative = MakeProgram(1);
  negative.provider_index = -2;
  auto flag = MakeProgram(1);
  flag.prog_flag_2 = 2;
  auto negativePid = MakeProgram(1);
  negativePid.pid_4_text = "-1";
  for (const auto& bad : {pid, ca, tp, negative, flag, negativePid}) {
    EXPECT_EQ(Add(*db, bad), kNoSlot);
    EXPECT_EQ(db->programHeader(), header);
    EXPECT_EQ(EncodeDatabaseImage(*db), before);
  }
  auto text = MakeProgram(1);
  text.pid_1_text = "1a0";
  EXPECT_THROW(Add(*db, text), ConversionError);
  EXPECT_EQ(EncodeDatabaseImage(*db), before);
  EXPECT_FALSE(BuildProgramRecord(ca).has_value());
  // Blanks around a PID text are not part of the number.
  auto blanks = MakeProgram(1);
  blanks.pid_1_text = " 8191 ";
  EXPECT_EQ(Add(*db, blanks), 1);
}

TEST(Programs, RefusedAdds) {
  auto db = testing::ResetDb();
  EXPECT_EQ(Add(*db, MakeProgram(1, 2)), kNoSlot);  // data services are never added
  for (int i = 0; i < 120; ++i) ASSERT_EQ(Add(*db, MakeProgram(9)), i);
  EXPECT_EQ(Add(*db, MakeProgram(9)), kNoSlot);  // 120 already on the transponder
  ASSERT_EQ(Add(*db, MakeProgram(10, 3)), 120);  // type 3 counts only in program_count
  EXPECT_EQ(db->programHeader().program_count, 121);
  EXPECT_EQ(db->programHeader().tv_count, 120);
  EXPECT_EQ(db->programHeader().radio_count + db->programHeader().data_count, 0);
  // An add always counts, whatever was done before it.
  DeleteProgram(*db, 0);
  EXPECT_EQ(AddProgram(*db, MakeProgram(11)), 0);
  EXPECT_EQ(AddProgram(*db, MakeProgram(11)), 121);
  EXPECT_EQ(db->programHeader().program_count, 122);
  EXPECT_EQ(db->programHeader().tv_count, 121);
}

TEST(Programs, TableFull) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 4000; ++i) ASSERT_EQ(Add(*db, MakeProgram(i / 100)), i);
  EXPECT_EQ(Add(*db, MakeProgram(1999)), kNoSlot);
  DeleteProgram(*db, 2500);
  EXPECT_EQ(Add(*db, MakeProgram(1999)), 2500);
  EXPECT_EQ(db->programHeader().last_program, 2500);
  testing::ExpectListConsistent(*db);
}

TEST(Programs, DeletingKeepsTheListJoined) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 3; ++i) Add(*db, MakeProgram(1));
  DeleteProgram(*db, 1);
  EXPECT_EQ(db->programsShow()[0].next_program, 2);
  EXPECT_EQ(db->programsShow()[2].prev_program, 0);
  testing::ExpectListConsistent(*db);
  DeleteProgram(*db, 0);
  EXPECT_EQ(db->programHeader().first_program, 2);
  EXPECT_EQ(db->programsShow()[2].prev_program, -1);
  testing::ExpectListConsistent(*db);
  DeleteProgram(*db, 2);
  EXPECT_EQ(db->programHeader(), (PROGRAM_LIST_HEADER_T{-1, 2, 0, 0, 0, 0}));
  DeleteProgram(*db, 2);  // not in use any more: nothing happens
  EXPECT_EQ(db->programHeader().program_count, 0);
  ASSERT_EQ(Add(*db, MakeProgram(1)), 0);
  EXPECT_EQ(db->programHeader(), (PROGRAM_LIST_HEADER_T{0, 0, 1, 1, 0, 0}));
  DeleteProgram(*db, -1);
  DeleteProgram(*db, 4000);
  testing::ExpectListConsistent(*db);
}

TEST(Programs, FreedSlotKeepsThreeShowFields) {
  auto db = testing::ResetDb();
  auto program = MakeProgram(1);
  program.prog_param_1 = 2;
  program.prog_flag_7 = 1;
  program.service_id = 77;
  Add(*db, program);
  DeleteProgram(*db, 0);
  EXPECT_EQ(db->programsShow()[0].prog_param_1, 2);
  EXPECT_EQ(db->programsShow()[0].prog_flag_7, 1);
  EXPECT_EQ(db->programsShow()[0].service_id, 77);
  EXPECT_EQ(db->programsShow()[0].used, 0);
}

TEST(Programs, DeletingUpdatesGroups) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 6; ++i) {
    auto p = MakeProgram(1);
    p.provider_index = i < 2 ? 3 : 4;
    p.ca_count = 1;
    p.ca_ids[0] = 0x0B00;
    Add(*db, p);
  }
  // The groups as the box filed the programs into them.
  auto named = [](auto group, int key, int count) {
    PutLe32(group.bytes, 0,
            (static_cast<std::uint32_t>(count) << 16) | (static_cast<std::uint32_t>(key) << 1));
    group.bytes[4] = 'n';
    return group;
  };
  StoreProviderGroup(*db, 3, named(db->providerGroups()[3], 30, 2));
  StoreProviderGroup(*db, 4, named(db->providerGroups()[4], 40, 4));
  StoreCasGroup(*db, 6, named(db->casGroups()[6], 0x0B00, 1));
  FAV_GROGUP_INFO_T favourites = db->favGroups()[3];
  for (int j = 0; j < 5; ++j) {
    PutLe16(favourites.bytes, 18 + 2 * static_cast<std::size_t>(j), static_cast<std::uint16_t>(j));
  }
  PutLe16(favourites.bytes, 0, 5);
  StoreFavGroup(*db, 3, favourites);
  const auto& fav = db->favGroupsShow()[3];

  DeleteProgram(*db, 0);
  EXPECT_EQ(ProviderGroupCount(*db, 3), 1);
  EXPECT_EQ(GetLe32(db->providerGroups()[3].bytes, 0), (1u << 16) | (30u << 1));
  EXPECT_EQ(CasGroupCount(*db, 6), 0);
  EXPECT_EQ(GetLe32(db->casGroups()[6].bytes, 0), 0x0B00u << 1);
  EXPECT_EQ(FavGroupCount(*db, 3), 4);
  EXPECT_EQ(fav.programs[0], 1);
  EXPECT_EQ(fav.programs[3], 4);
  EXPECT_EQ(fav.programs[4], -1);
  EXPECT_EQ(GetLe16(db->favGroups()[3].bytes, 0), 4);
  EXPECT_EQ(GetLe16(db->favGroups()[3].bytes, 18), 1);
  EXPECT_EQ(GetLe16(db->favGroups()[3].bytes, 18 + 2 * 4), 0xFFFF);

  DeleteProgram(*db, 1);  // the provider group's last member: the group is freed
  EXPECT_EQ(db->providerGroupsShow()[3], (PROVIDER_GROGUP_INFO_SHOW_T{0, -1, 0, ""}));
  EXPECT_EQ(GetLe32(db->providerGroups()[3].bytes, 0), 0x0000FFFEu);
  EXPECT_EQ(db->providerGroups()[3].bytes[4], 0);
  EXPECT_EQ(CasGroupCount(*db, 6), 0);  // a CA group stays at 0, not freed
  EXPECT_EQ(db->casGroupsShow()[6].key, 0x0B00);

  EXPECT_EQ(FindCasGroup(*db, 0x0B00), 6);
  EXPECT_EQ(FindCasGroup(*db, 0x1234), 255);
  EXPECT_EQ(FavGroupCount(*db, 8), 0);
  EXPECT_EQ(ProviderGroupCount(*db, 400), 0);
  EXPECT_EQ(CasGroupCount(*db, 100), 0);
}

TEST(Programs, DeletingTheProgramsOfATransponder) {
  auto db = testing::ResetDb();
  for (int i = 0; i < 10; ++i) {
    auto p = MakeProgram(i % 2 == 0 ? 7 : 8);
    if (i == 4) p.tp_source = 2;
    Add(*db, p);
  }
  DeleteProgramsOfTp(*db, 7);
  EXPECT_EQ(db->programHeader().program_count, 6);
  EXPECT_TRUE(IsProgramUsed(*db, 4));  // another source: kept
  EXPECT_FALSE(IsProgramUsed(*db, 2));
  EXPECT_EQ(CountProgramsOnTp(*db, 7), 1);
  testing::ExpectListConsistent(*db);
}

TEST(Programs, AccessorsIgnoreSlotsOutsideTheTable) {
  auto db = testing::ResetDb();
  for (const Slot slot : {Slot{-1}, Slot{4000}, Slot{32767}}) {
    EXPECT_FALSE(IsProgramUsed(*db, slot));
    EXPECT_EQ(ProgramTpIndex(*db, slot), -1);
    EXPECT_EQ(ProgramServiceType(*db, slot), 0);
    EXPECT_EQ(ProgramCaId(*db, slot, 0), 0);
    SetProgramUsed(*db, slot);
    SetProgramPidText(*db, slot, 1, "5");
    EXPECT_FALSE(FillProgramSlot(*db, slot, MakeProgram(1)));
  }
  SetProgramServiceIdText(*db, 3, "0xab12 ");
  EXPECT_EQ(db->programsShow()[3].service_id, 0xAB);
  EXPECT_EQ(db->programsShow()[3].service_id_text, "0XAB");  // the show form is what the box form holds
  SetProgramServiceIdText(*db, 3, "  0xab12");               // characters 3 and 4 are counted before trimming
  EXPECT_EQ(db->programsShow()[3].service_id, 0);
  SetProgramPidText(*db, 3, 2, " 0160 ");
  EXPECT_EQ(db->programsShow()[3].pid_2_text, "160");
}

TEST(Programs, TransponderSlot1023TakesProgramsAfterADecode) {
  // Free program slots of a decoded image read tp_index 1023 under the limit rule;
  // they are not programs on transponder 1023.
  auto db = testing::ResetDb();
  auto decoded = std::make_unique<BoxDatabase>();
  DecodeDatabaseImage(*decoded, EncodeDatabaseImage(*db));
  ASSERT_EQ(decoded->programsShow()[5].tp_index, 1023);
  EXPECT_EQ(CountProgramsOnTp(*decoded, 1023), 0);
  EXPECT_EQ(testing::Add(*decoded, testing::MakeProgram(1023)), 0);
  EXPECT_EQ(CountProgramsOnTp(*decoded, 1023), 1);
}

}  // namespace
}  // namespace tuneflash
