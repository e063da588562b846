// The merge of single SatcoDX lines into the database: every field of the
// program a line gives, the polarisation digits, what a skipped line reports,
// and the room check at its exact limits.
#include "satcodx/satcodx_merge.h"

#include <gtest/gtest.h>

#include "boxdb/database_image.h"
#include "boxdb/programs.h"
#include "boxdb/transponders.h"
#include "satcodx/sample_database.h"
#include "satcodx/satcodx_import.h"
#include "satcodx/satcodx_reader.h"
#include "sdx_lines.h"
#include "support/box_image.h"

namespace tuneflash {
namespace {

using testing::SdxColumns;
using testing::SdxLine;

SATCODX_INFO_SHOW_T Parsed(const SdxColumns& columns) {
  SatcoDxReader reader;
  reader.ClearSatcoDxRecord();
  const auto line = SdxLine(columns);
  std::copy(line.begin(), line.end(), reader.line().begin());
  reader.ParseSatcoDxLine();
  return reader.record();
}

class SatcoDxMergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = std::make_unique<BoxDatabase>();
    ResetDatabase(*db);
    PlaceSatellite(*db, 0, 192, "Astra 19.2E");
  }

  // Merges `columns` and returns the program it added, as the file holds it.
  PROGRAM_INFO_SHOW_T MergedProgram(const SdxColumns& columns) {
    const int before = ProgramCount(*db);
    const auto result = merger.MergeSatcoDxRecord(*db, Parsed(columns));
    EXPECT_EQ(result.outcome, SatcoDxLineOutcome::Merged);
    EXPECT_EQ(ProgramCount(*db), before + 1);
    return DecodeProgram(db->programs()[static_cast<std::size_t>(LastProgram(*db))]);
  }

  std::unique_ptr<BoxDatabase> db;
  SatcoDxMerger merger;
};

TEST_F(SatcoDxMergeTest, ProgramFieldsFromTheLine) {
  struct Case {
    const char* what;
    SdxColumns line;
    int caCount, scrambled, pid2Type;
    const char *pid1, *pid2, *pid3;
    std::array<std::uint8_t, 3> language;
  };
  SdxColumns clear;
  SdxColumns locked;
  locked.crypto = "0100";
  SdxColumns mpeg1;
  mpeg1.mpeg = "MPG1";
  SdxColumns pids;
  pids.pidA = "0511";
  pids.pidB = "0722";
  pids.pidC = "0033";
  SdxColumns noPids;
  noPids.pidA = noPids.pidB = noPids.pidC = "____";
  SdxColumns french;
  french.language = "fra_";
  const Case cases[] = {
      {"free to air", clear, 0, 0, 4, "100", "101", "102", {'d', 'e', 'u'}},
      {"scrambled", locked, 1, 1, 4, "100", "101", "102", {'d', 'e', 'u'}},
      {"MPEG-1", mpeg1, 0, 0, 3, "100", "101", "102", {'d', 'e', 'u'}},
      {"PID columns C, A, B", pids, 0, 0, 4, "33", "511", "722", {'d', 'e', 'u'}},
      {"PIDs not given", noPids, 0, 0, 4, "8191", "8191", "8191", {'d', 'e', 'u'}},
      {"language letters in order", french, 0, 0, 4, "100", "101", "102", {'f', 'r', 'a'}},
  };
  int frequency = 11000;
  for (auto c : cases) {
    c.line.frequencyKHz = "0" + std::to_string(frequency++) + "000";  // a transponder each
    const auto p = MergedProgram(c.line);
    EXPECT_EQ(p.ca_count, c.caCount) << c.what;
    EXPECT_EQ(p.scrambled, c.scrambled) << c.what;
    EXPECT_EQ(p.pid_2_type, c.pid2Type) << c.what;
    EXPECT_EQ(p.pid_1_text, c.pid1) << c.what;
    EXPECT_EQ(p.pid_2_text, c.pid2) << c.what;
    EXPECT_EQ(p.pid_3_text, c.pid3) << c.what;
    EXPECT_EQ(p.pid_4_text, "8191") << c.what;
    EXPECT_EQ(p.language, c.language) << c.what;
    EXPECT_EQ(p.service_id, 28106) << c.what;
    EXPECT_EQ(p.tp_source, 1) << c.what;
  }
}

TEST_F(SatcoDxMergeTest, PolarisationDigitOutsideZeroToThreeKeepsTheLastValue) {
  // Digits 0 and 2 give vertical (1), 1 and 3 horizontal (0).
  const std::pair<char, int> digits[] = {{'0', 1}, {'7', 1}, {'1', 0}, {'9', 0},
                                         {'2', 1}, {'5', 1}, {'3', 0}};
  int frequency = 11000;
  for (const auto& [digit, expected] : digits) {
    SdxColumns line;
    line.polarisation = digit;
    line.frequencyKHz = "0" + std::to_string(frequency++) + "000";
    MergedProgram(line);
    EXPECT_EQ(merger.stagingTp().polarisation, expected) << digit;
    EXPECT_EQ(GetTpPolarity(*db, static_cast<Slot>(GetTpCount(*db) - 1)), expected) << digit;
  }
}

TEST_F(SatcoDxMergeTest, SkippedLinesSayWhy) {
  SdxColumns data;
  data.type = 'D';
  auto result = merger.MergeSatcoDxRecord(*db, Parsed(data));
  EXPECT_EQ(result.outcome, SatcoDxLineOutcome::DataService);
  EXPECT_TRUE(result.transponderAdded);  // the transponder is the box's all the same
  SdxColumns elsewhere;
  elsewhere.position = "0130";
  EXPECT_EQ(merger.MergeSatcoDxRecord(*db, Parsed(elsewhere)).outcome, SatcoDxLineOutcome::UnknownSatellite);
  for (int i = 0; i < kMaxProgramsPerTp; ++i) MergedProgram({});
  result = merger.MergeSatcoDxRecord(*db, Parsed({}));
  EXPECT_EQ(result.outcome, SatcoDxLineOutcome::DatabaseFull);
  EXPECT_FALSE(result.transponderAdded);
}

TEST(SatcoDxRoom, LimitsAre1999TranspondersAnd3999Programs) {
  auto db = std::make_unique<BoxDatabase>();
  struct Case {
    int tps, programs;
    bool room;
  };
  for (const auto& c : {Case{0, 0, true}, Case{1998, 3998, true}, Case{1999, 0, false}, Case{0, 3999, false},
                        Case{2000, 0, false}, Case{0, 4000, false}}) {
    testing::BoxImage image(*db);  // headers as a box's image can claim them
    PutLe16(image.SatTpHeader(), 0, static_cast<std::uint16_t>(c.tps));
    PutLe16(image.ProgramHeader(), 4, static_cast<std::uint16_t>(c.programs));
    image.LoadInto(*db);
    EXPECT_EQ(DatabaseHasRoom(*db), c.room) << c.tps << " transponders, " << c.programs << " programs";
  }
}

}  // namespace
}  // namespace tuneflash
