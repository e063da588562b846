#include "satcodx/satcodx_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "dld/file_io.h"
#include "dld/int_text.h"
#include "satcodx/sdx_lines.h"

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
  s.serviceId = "_____";
  auto r = Parse(s);
  EXPECT_EQ(r.pid_a_text, "8191");
  EXPECT_EQ(r.pid_b_text, "8191");
  EXPECT_EQ(r.pid_c_text, "8191");
  EXPECT_EQ(r.service_id, 0);
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

TEST(SatcoDxReader, LineOffsetsBackToBackAndSeparated) {
  const auto a = SdxLine({});
  EXPECT_TRUE(SatcoDxLineOffsets(Bytes(127, 'x')).empty());
  EXPECT_EQ(SatcoDxLineOffsets(SdxFile({a})).size(), 1u);
  Bytes three = SdxFile({a, a, a});
  three.resize(three.size() + 100, 0);  // a partial line is ignored
  EXPECT_EQ(SatcoDxLineOffsets(three), (std::vector<std::size_t>{0, 128, 256}));
  // Back to back, a line that does not begin with the signature is still read.
  std::string odd = a;
  odd[0] = 'X';
  EXPECT_EQ(SatcoDxLineOffsets(SdxFile({a, odd, a})).size(), 3u);
  // Separated by a line feed: stride 129, ending at a NUL tail.
  Bytes separated = SdxFile({a, a, a}, "\n");
  separated.push_back(0);
  separated.insert(separated.end(), 200, ' ');
  EXPECT_EQ(SatcoDxLineOffsets(separated), (std::vector<std::size_t>{0, 129, 258}));
  EXPECT_EQ(SatcoDxLineOffsets(SdxFile({a, a}, "\r\n\r\n\n")), (std::vector<std::size_t>{0, 133}));
}

TEST(SatcoDxReader, RoomCheckStopsBeforeTheLine) {
  const auto a = SdxLine({});
  const Bytes file = SdxFile({a, a, a});
  SatcoDxReader reader;
  int merged = 0;
  int pumps = 0;
  EXPECT_TRUE(reader.ReadSatcoDxFile(
      file, [] { return true; }, [&](const SATCODX_INFO_SHOW_T&) { ++merged; }, [&] { ++pumps; }));
  EXPECT_EQ(merged, 3);
  EXPECT_EQ(pumps, 3);
  merged = 0;
  EXPECT_FALSE(reader.ReadSatcoDxFile(
      file, [&] { return merged < 2; }, [&](const SATCODX_INFO_SHOW_T&) { ++merged; }, nullptr));
  EXPECT_EQ(merged, 2);
  EXPECT_TRUE(reader.ReadSatcoDxFile(
      Bytes(100, ' '), [] { return false; }, [&](const SATCODX_INFO_SHOW_T&) { ++merged; }, nullptr));
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
