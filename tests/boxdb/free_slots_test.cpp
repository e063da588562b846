// The free state of every table, in the bytes written and as decoded back.
#include <gtest/gtest.h>

#include "boxdb/database_image.h"
#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/show_text.h"
#include "boxdb/transponders.h"
#include "fixtures.h"

namespace tuneflash {
namespace {

Bytes Area(const Bytes& image, std::size_t offset, std::size_t size) {
  return Bytes(image.begin() + static_cast<std::ptrdiff_t>(offset),
               image.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

TEST(FreeSlots, ResetImageHoldsTheFreeBytesOfEveryTable) {
  auto db = testing::ResetDb();
  const Bytes image = EncodeDatabaseImage(*db);
  ASSERT_EQ(image.size(), kDatabaseImageSize);

  const Bytes satellite = Area(image, kSatelliteTableOffset + 63 * kSatelliteSize, kSatelliteSize);
  EXPECT_EQ(Bytes(satellite.begin(), satellite.begin() + 8),
            (Bytes{0x00, 0x00, 0x54, 0x00, 0x01, 0x00, 0x1E, 0x14}));
  EXPECT_EQ(AreaText(Bytes(satellite.begin() + 8, satellite.begin() + 27)), "Uninstall");
  EXPECT_EQ(satellite[26], 0);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(GetLe32(satellite, 28 + 4 * k), 0x6DDD3E80u);

  EXPECT_EQ(Area(image, kSatTpTableOffset + 1999 * kSatTpSize, kSatTpSize),
            (Bytes{0, 0, 0, 0, 0x80, 0x3E, 0xDD, 0x6D, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
  EXPECT_EQ(Area(image, kTerTpTableOffset + 199 * kTerTpSize, kTerTpSize), Bytes(8, 0));
  EXPECT_EQ(Area(image, kProgramHeaderOffset, 12), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));

  Bytes program{0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x00, 0xF0, 0xFF, 0,    0,    0,    0,
                0xFF, 0x1F, 0xFF, 0x1F, 0xF8, 0xFF, 0xF8, 0xFF, 0x00, 0xFF, 0xFF, 0xFF};
  program.resize(kProgramSize, 0);
  EXPECT_EQ(Area(image, kProgramTableOffset + 3999 * kProgramSize, kProgramSize), program);

  const Bytes fav = Area(image, kFavGroupTableOffset + 2 * kFavGroupSize, kFavGroupSize);
  EXPECT_EQ(Bytes(fav.begin(), fav.begin() + 18),
            (Bytes{0, 0, 'F', 'A', 'V', ' ', 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  for (std::size_t j = 0; j < kFavGroupMembers; ++j) EXPECT_EQ(GetLe16(fav, 18 + 2 * j), 0xFFFF);

  EXPECT_EQ(Area(image, kCasGroupTableOffset + 99 * kCasGroupSize, kCasGroupSize),
            (Bytes{0xFE, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF}));
  const Bytes provider =
      Area(image, kProviderGroupTableOffset + 399 * kProviderGroupSize, kProviderGroupSize);
  EXPECT_EQ(Bytes(provider.begin(), provider.begin() + 18),
            (Bytes{0xFE, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  for (const auto& [from, to] : {std::pair<std::size_t, std::size_t>{2560, 4096},
                                 {36228, 38912},
                                 {40516, 43008},
                                 {kDatabaseImageUsedEnd, kDatabaseImageSize}}) {
    EXPECT_EQ(Area(image, from, to - from), Bytes(to - from, 0xFF)) << "gap at " << from;
  }
}

TEST(FreeSlots, ResetShowFormsAreEmpty) {
  auto db = testing::ResetDb();
  EXPECT_EQ(db->programHeader(), (PROGRAM_LIST_HEADER_T{-1, -1, 0, 0, 0, 0}));
  const auto& p = db->programsShow()[17];
  EXPECT_EQ(p.prev_program, -1);
  EXPECT_EQ(p.tp_index, -1);
  EXPECT_EQ(p.provider_index, -1);
  EXPECT_EQ(p.service_type, 2);
  EXPECT_EQ(p.language, (std::array<std::uint8_t, 3>{'e', 'n', 'g'}));
  EXPECT_TRUE(p.pid_1_text.empty());
  EXPECT_EQ(db->satTpsShow()[5].sat_index, 255);
  EXPECT_EQ(db->satTpsShow()[5].tp_number, 255);
  EXPECT_EQ(db->terTpsShow()[5].ter_param_1, 255);
  EXPECT_EQ(db->casGroupsShow()[5].key, 0);
  EXPECT_EQ(db->providerGroupsShow()[5].key, -1);
  EXPECT_EQ(db->favGroupsShow()[5].name, "");  // while the box form reads FAV and a byte 6
  EXPECT_EQ(db->favGroupsShow()[5].programs[199], -1);
  EXPECT_EQ(db->satellitesShow()[5], SATELLITE_INFO_SHOW_T{});
}

TEST(FreeSlots, DecodedFreeSlotsFollowTheLimitRule) {
  auto db = testing::ResetDb();
  const Bytes image = EncodeDatabaseImage(*db);
  auto decoded = std::make_unique<BoxDatabase>();
  DecodeDatabaseImage(*decoded, image);

  const auto& p = decoded->programsShow()[0];
  EXPECT_EQ(p.used, 0);
  EXPECT_EQ(p.service_type, 2);
  EXPECT_EQ(p.tp_index, 1023);
  EXPECT_EQ(p.sat_index, 63);
  EXPECT_EQ(p.provider_index, 255);
  EXPECT_EQ(p.pid_1_text, "8191");
  EXPECT_EQ(p.pid_4_text, "8191");
  EXPECT_EQ(p.service_id_text, "0X00");

  const auto& s = decoded->satellitesShow()[0];
  EXPECT_EQ(s.longitude, 10);
  EXPECT_EQ(s.longitude_text, "  1.0");
  EXPECT_EQ(s.sat_param_2, 2);
  EXPECT_EQ(s.sat_param_5, 1);
  EXPECT_EQ(s.lnb_frequency_text, "5150");
  EXPECT_EQ(s.sat_name, "Uninstall");
  for (const auto& tp : s.auto_scan_tp) {
    EXPECT_EQ(tp, (FACTORY_DEFAULT_TP_INFO_SHOW_T{0, "4000", "28125"}));
  }
  EXPECT_EQ(decoded->favGroupsShow()[0].name, std::string("FAV \x01"));
  EXPECT_EQ(decoded->providerGroupsShow()[0].key, 32767);
  EXPECT_EQ(decoded->satTpsShow()[0].used, 0);
  EXPECT_EQ(decoded->satTpsShow()[0].frequency_text, "4000");
  // And the decoded tables write back the same image.
  EXPECT_EQ(EncodeDatabaseImage(*decoded), image);
}

TEST(FreeSlots, ResetSatelliteKeepsByte27) {
  auto db = std::make_unique<BoxDatabase>();
  SATELLITE_INFO_T satellite;
  satellite.bytes[27] = 0x5A;
  StoreSatellite(*db, 4, satellite);
  ResetAllSatellites(*db);
  EXPECT_EQ(db->satellites()[4].bytes[27], 0x5A);
  EXPECT_EQ(db->satellites()[4].bytes[26], 0);
}

}  // namespace
}  // namespace tuneflash
