// The database image decodes and writes back byte for byte: a realistic
// image built through the operations with box-made bytes in every undecoded
// place, and images of random bytes.
#include <gtest/gtest.h>

#include <random>

#include "boxdb/database_image.h"
#include "boxdb/field_tables.h"
#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "fixtures.h"
#include "support/box_image.h"

namespace tuneflash {
namespace {

void SetGroup(std::span<std::uint8_t> bytes, int key, int count, const std::string& name,
              std::size_t nameSize) {
  PutLe32(bytes, 0, (static_cast<std::uint32_t>(count) << 16) | (static_cast<std::uint32_t>(key) << 1) | 1u);
  for (std::size_t i = 0; i < nameSize; ++i)
    bytes[4 + i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0;
}

// A database as a box would hand it over: satellites, transponders on several
// satellites, programs in a list with provider, CA and favourite groups, and
// noise in every byte and bit that the tool does not decode.
std::unique_ptr<BoxDatabase> RealisticDatabase() {
  auto db = testing::ResetDb();
  std::mt19937 rng(2024);
  auto noise = [&rng] { return static_cast<std::uint8_t>(rng()); };
  const std::array<int, 4> positions{192, 130, 282, 3450};
  for (std::size_t s = 0; s < positions.size(); ++s) {
    SATELLITE_INFO_T satellite = db->satellites()[s];
    auto& bytes = satellite.bytes;
    PutLe32(bytes, 0, (static_cast<std::uint32_t>(positions[s]) << 19) | (1u << 16) | 0x1234u);
    PutLe32(bytes, 4, (9750u << 16) | (static_cast<std::uint32_t>(noise()) << 4) | 3u);
    for (std::size_t i = 8; i < 27; ++i) bytes[i] = 0;
    const std::string name = "Sat " + std::to_string(positions[s]);
    std::copy(name.begin(), name.end(), bytes.begin() + 8);
    bytes[27] = noise();
    StoreSatellite(*db, static_cast<Slot>(s), satellite);
  }
  {
    for (int i = 0; i < 40; ++i) {
      const auto sat = static_cast<std::uint8_t>(i % 4);
      Slot slot = kNoSlot;
      EXPECT_TRUE(AddTp(
          *db, testing::MakeTp(sat, static_cast<std::uint8_t>(GetSatTpCount(*db, sat) + 1), 10700 + 13 * i),
          slot));
    }
  }
  for (int i = 0; i < 150; ++i) {
    auto p = testing::MakeProgram(i % 40, static_cast<std::uint8_t>(i % 2), "Channel " + std::to_string(i));
    p.provider_index = static_cast<std::int16_t>(i % 5);
    p.ca_count = i % 3 == 0 ? 2 : 0;
    p.ca_ids = {0x0B00, 0x1800, 0, 0};
    p.scrambled = p.ca_count > 0;
    p.service_id = static_cast<std::int16_t>(1000 + i);
    EXPECT_EQ(testing::Add(*db, p), i);
  }
  // Bytes the box writes and no operation does.
  testing::BoxImage image(*db);
  for (std::size_t t = 0; t < 40; t += 3) {
    image.SatTp(t)[2] |= 0x02;  // bit 17 of word A
    for (std::size_t i = 8; i < 16; ++i) image.SatTp(t)[i] = noise();
  }
  for (std::size_t s = 0; s < 150; s += 7) image.Program(s)[23] |= static_cast<std::uint8_t>(noise() & 0xFE);
  for (int g = 0; g < 5; ++g) {
    SetGroup(image.ProviderGroup(static_cast<std::size_t>(g)), g + 1, 30, "Provider " + std::to_string(g),
             14);
  }
  SetGroup(image.CasGroup(0), 0x0B00, 50, "Irdt", 5);
  SetGroup(image.CasGroup(1), 0x1800, 50, "Nagra", 5);
  for (std::size_t g = 0; g < 3; ++g) {
    const auto bytes = image.FavGroup(g);
    PutLe16(bytes, 0, 10);
    for (std::size_t j = 0; j < 10; ++j) PutLe16(bytes, 18 + 2 * j, static_cast<std::uint16_t>(g * 10 + j));
    bytes[418] = noise();
    bytes[419] = noise();
  }
  image.CasGroup(2)[10] = noise();
  image.ProviderGroup(7)[19] = noise();
  PutLe16(image.SatTpHeader(), 2, 0xBEEF);
  PutLe16(image.TerTpHeader(), 2, 0xCAFE);
  PutLe16(image.TerTpHeader(), 0, 2);
  PutLe32(image.TerTp(0), 0, (2u << 24) | (21u << 1) | 1u);
  PutLe32(image.TerTp(0), 4, 474000);
  return image.Load();
}

TEST(ImageRoundTrip, RealisticImageWritesBackByteForByte) {
  const auto original = RealisticDatabase();
  const Bytes image = EncodeDatabaseImage(*original);

  auto decoded = std::make_unique<BoxDatabase>();
  ResetDatabase(*decoded);
  DecodeDatabaseImage(*decoded, image);
  EXPECT_EQ(EncodeDatabaseImage(*decoded), image);

  // What was read is what the operations see.
  EXPECT_EQ(decoded->programHeader().program_count, 150);
  EXPECT_EQ(decoded->satTpHeader().tp_count, 40);
  EXPECT_EQ(GetSatTpCount(*decoded, 2), 10);
  EXPECT_EQ(FindSatelliteByPos(*decoded, 282), 2);
  EXPECT_EQ(decoded->satellitesShow()[2].sat_name, "Sat 282");
  EXPECT_EQ(decoded->satellitesShow()[2].lnb_frequency_text, "9750");
  EXPECT_EQ(decoded->programsShow()[149].name, "Channel 149");
  EXPECT_EQ(decoded->programsShow()[149].language, (std::array<std::uint8_t, 3>{'d', 'e', 'u'}));
  EXPECT_EQ(decoded->programsShow()[149].service_id, 1149);
  EXPECT_EQ(decoded->providerGroupsShow()[3].name, "Provider 3");
  EXPECT_EQ(decoded->casGroupsShow()[1].key, 0x1800);
  EXPECT_EQ(decoded->favGroupsShow()[1].programs[9], 19);
  EXPECT_EQ(decoded->terTpsShow()[0].bandwidth_text, "8 MHz");
  testing::ExpectListConsistent(*decoded);
  Slot tp = kNoSlot;
  EXPECT_TRUE(FindTp(*decoded, 1, 1, 3, "10713", "27500", tp));
  EXPECT_EQ(tp, 1);
}

TEST(ImageRoundTrip, AnyBytesWriteBackInEveryTableAndGapsBecomeErased) {
  std::mt19937 rng(99);
  for (int round = 0; round < 3; ++round) {
    Bytes image(kDatabaseImageSize);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    auto db = std::make_unique<BoxDatabase>();
    DecodeDatabaseImage(*db, image);
    Bytes expected = image;
    for (const auto& [from, to] : {std::pair<std::size_t, std::size_t>{2560, 4096},
                                   {36228, 38912},
                                   {40516, 43008},
                                   {kDatabaseImageUsedEnd, kDatabaseImageSize}}) {
      std::fill(expected.begin() + static_cast<std::ptrdiff_t>(from),
                expected.begin() + static_cast<std::ptrdiff_t>(to), std::uint8_t{0xFF});
    }
    EXPECT_EQ(EncodeDatabaseImage(*db), expected);
  }
}

TEST(ImageRoundTrip, ShortImageReadsAsErasedFlash) {
  auto db = testing::ResetDb();
  const Bytes full = EncodeDatabaseImage(*db);
  auto decoded = std::make_unique<BoxDatabase>();
  DecodeDatabaseImage(*decoded, ByteSpan(full).first(kProgramTableOffset));
  // The programs area was missing: read as 0xFF, each slot decodes to the limits of its fields.
  EXPECT_EQ(decoded->programsShow()[0].used, 1);
  EXPECT_EQ(decoded->programsShow()[0].tp_index, 1023);
  EXPECT_EQ(decoded->satellitesShow()[0].sat_name, "Uninstall");
  EXPECT_THROW(ReadProgramPart(*decoded, ByteSpan(full).first(100)), std::invalid_argument);
}

}  // namespace
}  // namespace tuneflash
