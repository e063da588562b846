// Decoding single records: the worked examples of the layouts.
#include <gtest/gtest.h>

#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "fixtures.h"
#include "support/box_image.h"

namespace tuneflash {
namespace {

SAT_TRANSPONDER_INFO_T SatTp(std::uint32_t a, std::uint32_t b) {
  SAT_TRANSPONDER_INFO_T tp;
  PutLe32(tp.bytes, 0, a);
  PutLe32(tp.bytes, 4, b);
  return tp;
}

TEST(RecordDecode, SatelliteTransponderWords) {
  SAT_TRANSPONDER_INFO_T tp;
  tp.bytes = {0x03, 0x05, 0x35, 0x00};
  PutLe32(tp.bytes, 4, (27500u << 16) | (11778u << 2));
  const auto show = DecodeSatTp(tp);
  EXPECT_EQ(show.sat_index, 3);
  EXPECT_EQ(show.tp_number, 5);
  EXPECT_EQ(show.used, 1);
  EXPECT_EQ(show.polarisation, 1);
  EXPECT_EQ(show.polarisation_text, "V");
  EXPECT_EQ(show.fec, 3);
  EXPECT_EQ(show.fec_text, "3/4");
  EXPECT_EQ(show.tp_param_1, 0);
  EXPECT_EQ(show.frequency_text, "11778");
  EXPECT_EQ(show.symbol_rate_text, "27500");

  EXPECT_EQ(DecodeSatTp(SatTp(4u << 20, 0)).fec_text, "");
  EXPECT_EQ(DecodeSatTp(SatTp(6u << 20, 0)).fec_text, "");
  EXPECT_EQ(DecodeSatTp(SatTp(9u << 20, 0)).fec, 4);
  EXPECT_EQ(DecodeSatTp(SatTp(7u << 20, 0)).fec_text, "7/8");
  EXPECT_EQ(DecodeSatTp(SatTp(2u << 18, 0)).polarisation_text, "V");
}

TEST(RecordDecode, TerrestrialTransponder) {
  TER_TRANSPONDER_INFO_T tp;
  PutLe32(tp.bytes, 0, (1u << 24) | (0x22u << 16) | (0x11u << 8) | (37u << 1) | 1u);
  PutLe32(tp.bytes, 4, 474000);
  const auto show = DecodeTerTp(tp);
  EXPECT_EQ(show.used, 1);
  EXPECT_EQ(show.ter_number_text, "37");
  EXPECT_EQ(show.ter_param_1, 0x11);
  EXPECT_EQ(show.ter_param_2, 0x22);
  EXPECT_EQ(show.bandwidth_text, "7 MHz");
  EXPECT_EQ(show.frequency_text, "474.0");
  PutLe32(tp.bytes, 4, static_cast<std::uint32_t>(-1500));
  EXPECT_EQ(DecodeTerTp(tp).frequency_text, " -1.5");
}

TEST(RecordDecode, Satellite) {
  SATELLITE_INFO_T sat;
  PutLe32(sat.bytes, 0, 1800u << 19);
  EXPECT_EQ(DecodeSatellite(sat).longitude_text, "180.0");
  PutLe32(sat.bytes, 0, 1u << 16);
  const auto flag = DecodeSatellite(sat);
  EXPECT_EQ(flag.sat_flag_1, 1);
  EXPECT_EQ(flag.longitude, 0);
  PutLe32(sat.bytes, 0, 4000u << 19);
  EXPECT_EQ(DecodeSatellite(sat).longitude, 2000);
  for (std::size_t i = 8; i < 27; ++i) sat.bytes[i] = 'A';  // a name filling its whole area
  sat.bytes[27] = 'B';
  EXPECT_EQ(DecodeSatellite(sat).sat_name, std::string(19, 'A'));
}

TEST(RecordDecode, ProgramFieldsAndTexts) {
  PROGRAM_INFO_T p;
  PutLe16(p.bytes, 0, 7);
  PutLe16(p.bytes, 2, 0xFFFF);
  PutLe32(p.bytes, 4, (12u << 20) | (1u << 16) | ('d' << 8) | (1u << 1) | 1u);
  PutLe32(p.bytes, 8, (0x0ABCu << 16) | ('e' << 8) | 'u');
  PutLe32(p.bytes, 12, (3u << 29) | (511u << 16) | (1u << 13) | 160u);
  PutLe32(p.bytes, 16, (8191u << 19) | (1u << 17) | (162u << 3));
  PutLe32(p.bytes, 20, (0x7Fu << 25) | (17u << 16) | (5u << 8) | 9u);
  PutLe16(p.bytes, 24, 0x0B00);
  for (std::size_t i = 0; i < 16; ++i) p.bytes[32 + i] = static_cast<std::uint8_t>('a' + i);
  const auto show = DecodeProgram(p);
  EXPECT_EQ(show.prev_program, 7);
  EXPECT_EQ(show.next_program, -1);
  EXPECT_EQ(show.used, 1);
  EXPECT_EQ(show.service_type, 1);
  EXPECT_EQ(show.tp_source, 1);
  EXPECT_EQ(show.tp_index, 12);
  EXPECT_EQ(show.language, (std::array<std::uint8_t, 3>{'d', 'e', 'u'}));
  EXPECT_EQ(show.service_id, 0x0ABC);
  EXPECT_EQ(show.service_id_text, "0XABC");
  EXPECT_EQ(show.pid_1_text, "160");
  EXPECT_EQ(show.ca_count, 1);
  EXPECT_EQ(show.pid_2_text, "511");
  EXPECT_EQ(show.pid_2_type, 3);
  EXPECT_EQ(show.pid_3_text, "162");
  EXPECT_EQ(show.scrambled, 1);
  EXPECT_EQ(show.pid_4_text, "8191");
  EXPECT_EQ(show.prog_param_2, 9);
  EXPECT_EQ(show.sat_index, 5);
  EXPECT_EQ(show.provider_index, 17);
  EXPECT_EQ(show.ca_ids[0], 0x0B00);
  EXPECT_EQ(show.name, "abcdefghijklmnop");
}

TEST(Satellites, FindByPosition) {
  auto db = testing::ResetDb();
  EXPECT_EQ(FindSatelliteByPos(*db, 0), 0);  // after a reset every show longitude is 0
  testing::BoxImage image(*db);
  for (std::size_t i = 0; i < kSatelliteCapacity; ++i) {
    PutLe32(image.Satellite(i), 0, static_cast<std::uint32_t>(100 + i) << 19);
  }
  PutLe32(image.Satellite(40), 0, 192u << 19);
  PutLe32(image.Satellite(9), 0, 192u << 19);
  ReadSatellitePart(*db, image.Image());
  EXPECT_EQ(FindSatelliteByPos(*db, 192), 9);
  EXPECT_EQ(FindSatelliteByPos(*db, 130), 30);
  EXPECT_EQ(FindSatelliteByPos(*db, 0), -1);
  EXPECT_EQ(GetSatellitePos(*db, 30), 130);
  EXPECT_EQ(GetSatellitePos(*db, -1), 0);
  EXPECT_EQ(GetSatellitePos(*db, 64), 0);
}

}  // namespace
}  // namespace tuneflash
