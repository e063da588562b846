#include "satcodx/satcodx_import.h"

#include <gtest/gtest.h>

#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "data_file_fixture.h"
#include "dld/file_io.h"
#include "dld/int_text.h"
#include "dld/record_reader.h"
#include "link/recording_observer.h"
#include "sdx_lines.h"
#include "support/temp_dir.h"

namespace tuneflash {
namespace {

using testing::SdxColumns;
using testing::SdxFile;
using testing::SdxLine;

SdxColumns Line(std::string frequencyKHz, std::string name, char type = 'T', char polarisation = '1') {
  SdxColumns s;
  s.frequencyKHz = std::move(frequencyKHz);
  s.name = std::move(name);
  s.name2 = "";
  s.type = type;
  s.polarisation = polarisation;
  return s;
}

// The transponders of satellite `sat` in tp_number order: "frequency/polarisation".
std::vector<std::string> TpsOf(const BoxDatabase& db, int sat) {
  std::vector<std::string> tps(static_cast<std::size_t>(GetSatTpCount(db, sat)));
  for (Slot s = 0; s < static_cast<Slot>(db.satTpsShow().size()); ++s) {
    if (!IsTpUsed(db, s) || GetTpSatIndex(db, s) != sat) continue;
    const auto number = static_cast<std::size_t>(GetTpNumber(db, s));
    if (number >= 1 && number <= tps.size())
      tps[number - 1] = GetTpFrequency(db, s) + "/" + std::to_string(GetTpPolarity(db, s));
  }
  return tps;
}

std::vector<std::string> ProgramNamesOfSat(const BoxDatabase& db, int sat) {
  std::vector<std::string> names;
  for (const Slot s : ProgramListOrder(db)) {
    const auto& p = db.programsShow()[static_cast<std::size_t>(s)];
    if (GetTpSatIndex(db, p.tp_index) == sat) names.push_back(p.name);
  }
  return names;
}

class SatcoDxImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    conversion.workDirectory = dir.path();
    stock = testing::StockDatabase({192, 130, 282});
    original = testing::DataFileOf(*stock, 2);
    testing::WriteBytes(work, original);
  }

  std::filesystem::path List(const std::string& name, const Bytes& content) {
    const auto path = dir / name;
    testing::WriteBytes(path, content);
    return path;
  }

  bool Import(const std::vector<std::filesystem::path>& lists) {
    SatcoDxSession session{*db, conversion, observer, {}, {}};
    return ImportSatcoDxFiles(work, lists, session);
  }

  testing::TempDir dir;
  std::filesystem::path work = dir / "SatcoDX_FileName.dld";
  ConversionState conversion;
  testing::RecordingObserver observer;
  std::unique_ptr<BoxDatabase> stock;
  std::unique_ptr<BoxDatabase> db = testing::FreshDb();
  Bytes original;
};

TEST_F(SatcoDxImportTest, ReplacesTheSatellitesTranspondersAndPrograms) {
  SdxColumns other = Line("011000000", "Other");
  other.position = "0282";
  SdxColumns unknown = Line("011000000", "Nowhere");
  unknown.position = "0999";
  const auto list = List(
      "astra.sdx", SdxFile({SdxLine(Line("011778000", "First")), SdxLine(Line("012000000", "Second")),
                            SdxLine(Line("011778500", "Third")),  // same MHz: same transponder
                            SdxLine(Line("010900000", "Data", 'D')),
                            SdxLine(Line("010950000", "Misc", '_', '2')), SdxLine(other), SdxLine(unknown)}));
  ASSERT_TRUE(Import({list}));
  EXPECT_EQ(observer.Only("status").back(), "File saving, please wait...");

  ASSERT_TRUE(DldToDatabase(work, *db, conversion)) << conversion.failure;
  EXPECT_EQ(TpsOf(*db, 0), (std::vector<std::string>{"11778/0", "12000/0", "10900/0", "10950/1"}));
  EXPECT_EQ(ProgramNamesOfSat(*db, 0), (std::vector<std::string>{"First", "Second", "Third", "Misc"}));
  // The other satellites keep their transponders; 28.2 gains one, nothing else is added.
  EXPECT_EQ(GetSatTpCount(*db, 1), 3);
  EXPECT_EQ(GetSatTpCount(*db, 2), 4);
  EXPECT_EQ(ProgramNamesOfSat(*db, 1).size(), 6u);
  EXPECT_EQ(ProgramCount(*db), 6 + 7 + 4);
  EXPECT_EQ(GetTpCount(*db), 3 + 4 + 4);
  // The "_" line (Misc) is a program of type 3 in the box form (bits 2..1 of its first word).
  for (const Slot s : ProgramListOrder(*db)) {
    const auto& program = db->programs()[static_cast<std::size_t>(s)];
    if (db->programsShow()[static_cast<std::size_t>(s)].name == "Misc") {
      EXPECT_EQ((GetLe32(program.bytes, 4) >> 1) & 3u, 3u);
    }
  }
}

TEST_F(SatcoDxImportTest, PolarisationDigitsAndTheRealServiceId) {
  std::vector<std::string> lines;
  const char digits[] = {'0', '1', '2', '3'};
  for (int i = 0; i < 4; ++i) {
    auto cols = Line("01" + std::to_string(1000 + i) + "000", "P" + std::to_string(i), 'T', digits[i]);
    cols.serviceId = std::to_string(28106 + i);
    lines.push_back(SdxLine(cols));
  }
  Bytes file;
  for (const auto& l : lines) file.insert(file.end(), l.begin(), l.end());
  ASSERT_TRUE(Import({List("p.sdx", file)}));
  ASSERT_TRUE(DldToDatabase(work, *db, conversion));
  EXPECT_EQ(TpsOf(*db, 0), (std::vector<std::string>{"11000/1", "11001/0", "11002/1", "11003/0"}));
  for (const Slot s : ProgramListOrder(*db)) {
    const auto program = DecodeProgram(db->programs()[static_cast<std::size_t>(s)]);
    if (program.name.front() != 'P') continue;
    EXPECT_EQ(program.service_id, 28106 + (program.name[1] - '0')) << program.name;
  }
}

TEST_F(SatcoDxImportTest, ImportingTheSameListTwiceGivesTheSameDatabase) {
  const auto list = List("a.sdx", SdxFile({SdxLine(Line("011778000", "A")), SdxLine(Line("012000000", "B")),
                                           SdxLine(Line("011778000", "C"))}));
  ASSERT_TRUE(Import({list}));
  const Bytes first = ReadWholeFile(work);
  ASSERT_TRUE(Import({list}));
  EXPECT_EQ(ReadWholeFile(work), first);
  ASSERT_TRUE(DldToDatabase(work, *db, conversion));
  EXPECT_EQ(TpsOf(*db, 0), (std::vector<std::string>{"11778/0", "12000/0"}));
}

TEST_F(SatcoDxImportTest, UnknownSatelliteIsReportedAndNothingSaved) {
  SdxColumns cols = Line("011000000", "X");
  cols.position = "0005";
  cols.satName = "ABC";
  ASSERT_FALSE(Import({List("x.sdx", SdxFile({SdxLine(cols)}))}));
  const auto statuses = observer.Only("status");
  ASSERT_GE(statuses.size(), 2u);
  EXPECT_EQ(statuses[statuses.size() - 2], "Name: ABC               [   0.5 ] not existing!");
  EXPECT_EQ(observer.Only("status").back(), "File saving, please wait...");
  EXPECT_EQ(ReadWholeFile(work), original);
}

TEST_F(SatcoDxImportTest, FullDatabaseSavesNothing) {
  // 1999 transponders in use: no line may be merged.
  auto full = testing::StockDatabase({192, 130, 282});
  for (std::uint8_t sat = 3; GetTpCount(*full) < 1999; ++sat) {
    testing::PlaceSatellite(*full, sat, 500 + sat, "Filler");
    while (GetSatTpCount(*full, sat) < 150 && GetTpCount(*full) < 1999) {
      testing::AddChannelGroup(*full, sat, 10000 + GetSatTpCount(*full, sat), 0, 0);
    }
  }
  const Bytes fullFile = testing::DataFileOf(*full, 2);
  testing::WriteBytes(work, fullFile);
  // 28.2 has 3 transponders that the import deletes first, so the list needs more than that.
  SdxColumns cols = Line("011000000", "X");
  cols.position = "0282";
  std::vector<std::string> lines;
  Bytes file;
  for (int i = 0; i < 10; ++i) {
    cols.frequencyKHz = "01" + std::to_string(1000 + i) + "000";
    const auto line = SdxLine(cols);
    file.insert(file.end(), line.begin(), line.end());
  }
  const auto earlier = List("ok.sdx", SdxFile({SdxLine(Line("011778000", "A"))}));
  EXPECT_FALSE(Import({earlier, List("full.sdx", file)}));
  EXPECT_EQ(observer.Only("status").back(), "Dbase is full!");
  EXPECT_EQ(ReadWholeFile(work), fullFile);
}

TEST_F(SatcoDxImportTest, ConversionErrorEndsTheImportWithNothingSaved) {
  SdxColumns bad = Line("011000000", "Bad");
  bad.symbolRate = "2750 ";
  EXPECT_THROW(Import({List("bad.sdx", SdxFile({SdxLine(Line("011778000", "A")), SdxLine(bad)}))}),
               SatcoDxFormatError);
  EXPECT_EQ(ReadWholeFile(work), original);
  EXPECT_THROW(Import({List("blank.sdx", Bytes(40, ' '))}), SatcoDxFormatError);
  EXPECT_THROW(Import({dir / "missing.sdx"}), FileError);
  EXPECT_EQ(ReadWholeFile(work), original);
}

TEST_F(SatcoDxImportTest, ListCutShortEndsTheImportWithNothingSaved) {
  const std::string line = SdxLine(Line("011778000", "A"));
  EXPECT_THROW(Import({List("short.sdx", Bytes(line.begin(), line.begin() + 100))}), SatcoDxFormatError);
  EXPECT_EQ(ReadWholeFile(work), original);
}

TEST_F(SatcoDxImportTest, RealListsMergeIntoDataFiles) {
  const std::filesystem::path data = TUNEFLASH_SATCODX_TESTDATA;
  stock = testing::StockDatabase({130, 192, 420});
  testing::WriteBytes(work, testing::DataFileOf(*stock, 1));
  for (const char* name : {"astra192e_v103_chansort_silva_schneider.sdx",
                           "astra192e_v105_chansort_telefunken.sdx", "turksat420e_v103_sirfi_sample.sdx"}) {
    ASSERT_TRUE(Import({data / name})) << name;
  }
  const auto report = VerifyDownloadFile(ReadWholeFile(work));
  ASSERT_TRUE(report.ok()) << report.failure->reason;
  ASSERT_TRUE(DldToDatabase(work, *db, conversion));
  EXPECT_EQ(GetSatTpCount(*db, 0), 3);  // 13.0 untouched
  EXPECT_GT(GetSatTpCount(*db, 1), 50);
  EXPECT_GT(GetSatTpCount(*db, 2), 20);
  const auto names = ProgramNamesOfSat(*db, 1);
  EXPECT_NE(std::find(names.begin(), names.end(), "Das Erste HD"), names.end());
}

}  // namespace
}  // namespace tuneflash
