#include "satcodx/satcodx_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "dld/file_io.h"
#include "dld/int_text.h"
#include "satcodx/satcodx_import.h"
#include "satcodx/sdx_lines.h"
#include "support/box_image.h"

namespace tuneflash {
namespace {

using testing::SdxColumns;
using testing::SdxFile;
using testing::SdxLine;

SATCODX_INFO_SHOW_T Parse(const SdxColumns& cols) {
  SatcoDxReader reader;
  reader.ClearSatcoDxRecord();
  const auto line = SdxLine(cols);
  std::copy(line.begin(), line.end(), reader.line().begin());
  reader.ParseSatcoDxLine();
  return reader.record();
}

TEST(SatcoDxReader, ColumnsOfAServiceLine) {
  const auto r = Parse({});
  EXPECT_EQ(r.signature, "SATCODX");
  EXPECT_EQ(r.version, 1);
  EXPECT_EQ(r.sub_version, "03");
  EXPECT_EQ(r.sat_name, "Astra 1 (19.2E)   ");
  EXPECT_EQ(r.service_type, 0);
  EXPECT_EQ(r.mpeg_type, 4);
  EXPECT_EQ(r.frequency_text, "11778");
  EXPECT_EQ(r.polarisation_digit, 1);
  EXPECT_EQ(r.longitude, 192);
  EXPECT_EQ(r.longitude_text, " 19.2");
  EXPECT_EQ(r.symbol_rate_text, "27500");
  EXPECT_EQ(r.fec, 3);
  EXPECT_EQ(r.pid_a_text, "101");
  EXPECT_EQ(r.pid_b_text, "102");
  EXPECT_EQ(r.pid_c_text, "100");
  EXPECT_EQ(r.service_id, 28106);
  EXPECT_EQ(r.service_id_text, "0X6DCA");
  EXPECT_EQ(std::string(r.language_code.data(), 4), "deu_");
  EXPECT_EQ(r.scrambled, 0);
  EXPECT_EQ(r.name, "Das Erste HD        ");
}

TEST(SatcoDxReader, CodedColumns) {
  const std::pair<char, int> types[] = {{'T', 0}, {'R', 1}, {'D', 2}, {'_', 3}, {'t', 0}, {' ', 0}};
  for (const auto& [code, type] : types) {
    SdxColumns s;
    s.type = code;
    EXPECT_EQ(Parse(s).service_type, type) << code;
  }
  for (const auto& [mpeg, type] : {std::pair{"MPG1", 3}, {"MPG2", 4}, {"mpg1", 4}, {"    ", 4}}) {
    SdxColumns s;
    s.mpeg = mpeg;
    EXPECT_EQ(Parse(s).mpeg_type, type) << mpeg;
  }
  for (const auto& [crypto, scrambled] :
       {std::pair{"____", 0}, {"    ", 1}, {"1234", 1}, {"___ ", 1}, {"LCKD", 1}}) {
    SdxColumns s;
    s.crypto = crypto;
    EXPECT_EQ(Parse(s).scrambled, scrambled) << crypto;
  }
}

TEST(SatcoDxReader, NumbersRewrittenAsText) {
  SdxColumns s;
  s.frequencyKHz = "010714250";
  s.position = "0005";
  s.serviceId = "00040";
  s.pidA = "0160";
  EXPECT_EQ(Parse(s).frequency_text, "10714");
  EXPECT_EQ(Parse(s).longitude_text, "  0.5");
  EXPECT_EQ(Parse(s).service_id_text, "0X28");
  EXPECT_EQ(Parse(s).pid_a_text, "160");
  s.position = "1300";
  s.serviceId = "04660";
  EXPECT_EQ(Parse(s).longitude_text, "130.0");
  EXPECT_EQ(Parse(s).service_id_text, "0X1234");
  s.serviceId = "40000";
  EXPECT_EQ(Parse(s).service_id_text, "0XFFFF9C40");
  s.serviceId = "70000";
  EXPECT_EQ(Parse(s).service_id, 4464);
  EXPECT_EQ(Parse(s).service_id_text, "0X1170");
}

TEST(SatcoDxReader, NotGivenColumnsAndConversionErrors) {
  SdxColumns s;
  s.pidA = s.pidB = s.pidC = "____";
  auto r = Parse(s);
  EXPECT_EQ(r.pid_a_text, "8191");
  EXPECT_EQ(r.pid_b_text, "8191");
  EXPECT_EQ(r.pid_c_text, "8191");
  // Only the PID columns know "not given"; anywhere else "_" is no number.
  for (auto column :
       {&SdxColumns::serviceId, &SdxColumns::frequencyKHz, &SdxColumns::position, &SdxColumns::symbolRate}) {
    SdxColumns n;
    n.*column = std::string((n.*column).size(), '_');
    EXPECT_THROW(Parse(n), ConversionError) << n.*column;
  }
  for (auto column : {&SdxColumns::polarisation, &SdxColumns::fec}) {
    SdxColumns n;
    n.*column = '_';
    EXPECT_THROW(Parse(n), ConversionError);
  }
  s = {};
  s.pidA = "160 ";  // a blank after the digits is still an error
  EXPECT_THROW(Parse(s), ConversionError);
  s.pidA = " 160";  // blanks before are accepted
  EXPECT_EQ(Parse(s).pid_a_text, "160");
  s.pidA = "__1_";
  EXPECT_THROW(Parse(s), ConversionError);
}

TEST(SatcoDxReader, NameStopsAtZeroBytes) {
  auto line = SdxLine({});
  line[46] = '\0';
  SatcoDxReader reader;
  std::copy(line.begin(), line.end(), reader.line().begin());
  reader.ParseSatcoDxLine();
  EXPECT_EQ(reader.record().name, "Das" + std::string("e HD        "));
}

std::vector<std::size_t> Offsets(const Bytes& file) {
  std::vector<std::size_t> offsets;
  for (const auto& r : SatcoDxRecords(file, "t.sdx")) offsets.push_back(r.offset);
  return offsets;
}

// Line and offset of the SatcoDxFormatError `file` raises, or {0, 0}.
std::pair<std::size_t, std::size_t> FormatErrorAt(const Bytes& file) {
  try {
    SatcoDxRecords(file, "t.sdx");
  } catch (const SatcoDxFormatError& e) {
    EXPECT_NE(std::string(e.what()).find("t.sdx: line " + std::to_string(e.line()) + " (byte offset " +
                                         std::to_string(e.offset()) + ")"),
              std::string::npos)
        << e.what();
    return {e.line(), e.offset()};
  }
  return {0, 0};
}

TEST(SatcoDxReader, RecordsFoundWhateverSeparatesThem) {
  const auto a = SdxLine({});
  EXPECT_TRUE(Offsets(Bytes()).empty());
  EXPECT_EQ(Offsets(SdxFile({a})), (std::vector<std::size_t>{0}));
  Bytes three = SdxFile({a, a, a});
  three.resize(three.size() + 100, 0);  // a tail of NUL bytes is no record
  EXPECT_EQ(Offsets(three), (std::vector<std::size_t>{0, 128, 256}));
  Bytes separated = SdxFile({a, a, a}, "\n");
  separated.push_back(0);
  separated.insert(separated.end(), 200, ' ');
  EXPECT_EQ(Offsets(separated), (std::vector<std::size_t>{0, 129, 258}));
  EXPECT_EQ(Offsets(SdxFile({a, a}, "\r\n\r\n\n")), (std::vector<std::size_t>{0, 133}));
  // Every mix of CRLF, LF and none, each line its own, then the old end-of-file mark.
  Bytes mixed;
  for (const std::string_view end : {"\r\n", "\r\n", "\n", "\r\n", "", "\n"}) {
    mixed.insert(mixed.end(), a.begin(), a.end());
    mixed.insert(mixed.end(), end.begin(), end.end());
  }
  mixed.push_back(0x1A);
  EXPECT_EQ(Offsets(mixed), (std::vector<std::size_t>{0, 130, 260, 389, 519, 647}));
  // A line shorter than 128 bytes ends at its line end; the rest reads as zero.
  const Bytes shortLine = SdxFile({a.substr(0, 120), a}, "\n");
  const auto records = SatcoDxRecords(shortLine, "t.sdx");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (SatcoDxRecordSpan{0, 120, 121}));
}

TEST(SatcoDxReader, AnythingElseWhereARecordMustStartIsAnError) {
  const auto a = SdxLine({});
  std::string odd = a;
  odd[0] = 'X';
  EXPECT_EQ(FormatErrorAt(SdxFile({a, odd, a})), (std::pair<std::size_t, std::size_t>{2, 128}));
  EXPECT_EQ(FormatErrorAt(SdxFile({a, a, odd}, "\r\n")), (std::pair<std::size_t, std::size_t>{3, 260}));
  EXPECT_EQ(FormatErrorAt(Bytes(127, 'x')), (std::pair<std::size_t, std::size_t>{1, 0}));
  Bytes tail = SdxFile({a}, "\n");
  for (const char c : std::string("\n \r\0x", 6)) tail.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(FormatErrorAt(tail), (std::pair<std::size_t, std::size_t>{2, 130}));
  // A numeric column that does not convert names its line too.
  SdxColumns bad;
  bad.symbolRate = "27_00";
  const Bytes file = SdxFile({a, SdxLine(bad)}, "\n");
  SatcoDxReader reader;
  int merged = 0;
  try {
    reader.ReadSatcoDxFile(
        file, [] { return true; }, [&](const SATCODX_INFO_SHOW_T&) { ++merged; }, nullptr, "l.sdx");
    ADD_FAILURE() << "no error";
  } catch (const SatcoDxFormatError& e) {
    EXPECT_EQ(e.line(), 2u);
    EXPECT_EQ(e.offset(), 129u);
    EXPECT_NE(std::string(e.what()).find("l.sdx: line 2"), std::string::npos);
  }
  EXPECT_EQ(merged, 1);
  // A list that is not made of records merges nothing at all.
  merged = 0;
  EXPECT_THROW(
      reader.ReadSatcoDxFile(
          SdxFile({a, odd}), [] { return true; }, [&](const SATCODX_INFO_SHOW_T&) { ++merged; }, nullptr),
      SatcoDxFormatError);
  EXPECT_EQ(merged, 0);
}

TEST(SatcoDxReader, RoomCheckStopsBeforeTheLine) {
  // The import's own room check: with 3997 programs, two more lines fit.
  const auto a = SdxLine({});
  const Bytes file = SdxFile({a, a, a});
  auto db = std::make_unique<BoxDatabase>();
  const auto setProgramCount = [&db](int count) {
    testing::BoxImage image(*db);  // the header as a box's image can claim it
    PutLe16(image.ProgramHeader(), 4, static_cast<std::uint16_t>(count));
    image.LoadInto(*db);
  };
  setProgramCount(3997);
  const auto hasRoom = [&db] { return DatabaseHasRoom(*db); };
  const auto merge = [&](const SATCODX_INFO_SHOW_T&) {
    setProgramCount(db->programHeader().program_count + 1);
  };
  SatcoDxReader reader;
  int pumps = 0;
  EXPECT_FALSE(reader.ReadSatcoDxFile(file, hasRoom, merge, [&] { ++pumps; }));
  EXPECT_EQ(db->programHeader().program_count, 3999);
  EXPECT_EQ(pumps, 3);
  setProgramCount(0);
  EXPECT_TRUE(reader.ReadSatcoDxFile(file, hasRoom, merge, nullptr));
  EXPECT_EQ(db->programHeader().program_count, 3);
  EXPECT_TRUE(reader.ReadSatcoDxFile(
      Bytes(100, ' '), [] { return false; }, merge, nullptr));
}

TEST(SatcoDxReader, RealListsReadWhole) {
  const std::filesystem::path dir = TUNEFLASH_SATCODX_TESTDATA;
  struct Expect {
    const char* file;
    std::size_t lines;
    std::int16_t longitude;
  };
  for (const auto& e : {Expect{"astra192e_v103_chansort_silva_schneider.sdx", 1108, 192},
                        Expect{"astra192e_v105_chansort_telefunken.sdx", 737, 192},
                        Expect{"turksat420e_v103_sirfi_sample.sdx", 534, 420}}) {
    const Bytes file = ReadWholeFile(dir / e.file);
    SatcoDxReader reader;
    std::size_t lines = 0;
    ASSERT_TRUE(reader.ReadSatcoDxFile(
        file, [] { return true; },
        [&](const SATCODX_INFO_SHOW_T& r) {
          ++lines;
          EXPECT_EQ(r.longitude, e.longitude);
          EXPECT_EQ(r.pid_a_text, "8191");
          EXPECT_FALSE(r.name.empty());
        },
        nullptr))
        << e.file;
    EXPECT_EQ(lines, e.lines) << e.file;
  }
}

}  // namespace
}  // namespace tuneflash
