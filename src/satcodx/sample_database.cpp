// Sample channel database.
#include "satcodx/sample_database.h"

#include <random>

#include "boxdb/database_image.h"
#include "boxdb/image_layout.h"
#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "dld/crc32.h"
#include "dld/data_image.h"
#include "dld/partition_sets.h"

namespace tuneflash {

std::vector<SampleSatellite> DefaultSampleSatellites() {
  return {{192, "Astra 19.2E"}, {130, "Hotbird 13.0E"}, {282, "Astra 28.2E"}, {420, "Turksat 42.0E"}};
}

void PlaceSatellite(BoxDatabase& db, std::size_t slot, int longitude, const std::string& name) {
  SATELLITE_INFO_T satellite = db.satellites().at(slot);
  auto& bytes = satellite.bytes;
  PutLe32(bytes, 0, (static_cast<std::uint32_t>(longitude) << 19) | (1u << 17));
  PutLe32(bytes, 4, (9750u << 16) | 1u);
  for (std::size_t i = 8; i < 27; ++i)
    bytes[i] = i - 8 < name.size() ? static_cast<std::uint8_t>(name[i - 8]) : 0;
  StoreSatellite(db, static_cast<Slot>(slot), satellite);
}

Slot AddSampleTransponder(BoxDatabase& db, std::uint8_t sat, int frequency, int programs,
                          int firstServiceId) {
  Slot tp = kNoSlot;
  {
    SAT_TRANSPONDER_INFO_SHOW_T t;
    t.used = 1;
    t.sat_index = sat;
    t.tp_number = static_cast<std::uint8_t>(GetSatTpCount(db, sat) + 1);
    t.fec = 3;
    t.frequency_text = std::to_string(frequency);
    t.symbol_rate_text = "27500";
    if (!AddTp(db, t, tp)) return kNoSlot;
  }
  for (int i = 0; i < programs; ++i) {
    PROGRAM_INFO_SHOW_T p;
    p.used = 1;
    p.tp_source = 1;
    p.tp_index = tp;
    p.language = {'e', 'n', 'g'};
    p.service_id = static_cast<std::int16_t>(firstServiceId + i);
    p.service_id_text = "0X10";
    p.pid_1_text = "100";
    p.pid_2_text = "101";
    p.pid_2_type = 4;
    p.pid_3_text = "102";
    p.pid_4_text = "8191";
    p.sat_index = sat;
    p.provider_index = kNoSlot;
    p.name = "Old " + std::to_string(frequency) + "/" + std::to_string(i);
    AddProgram(db, p);
  }
  return tp;
}

std::unique_ptr<BoxDatabase> SampleDatabase(const std::vector<SampleSatellite>& satellites) {
  auto db = std::make_unique<BoxDatabase>();
  ResetDatabase(*db);
  for (std::size_t s = 0; s < satellites.size(); ++s)
    PlaceSatellite(*db, s, satellites[s].longitude, satellites[s].name);
  for (std::size_t s = 0; s < satellites.size(); ++s) {
    for (int t = 0; t < 3; ++t) {
      AddSampleTransponder(*db, static_cast<std::uint8_t>(s), 10700 + 100 * t + static_cast<int>(s), 2,
                           100 * static_cast<int>(s) + 10 * t);
    }
  }
  return db;
}

Bytes SampleSystemSector(std::uint32_t seed) {
  Bytes sector(kSystemSectorSize, 0xFF);
  std::mt19937 rng(seed);
  for (std::size_t i = 0; i < 100; ++i) sector[i] = static_cast<std::uint8_t>(rng());
  Bytes block(kSystemBlockSize);
  for (auto& b : block) b = static_cast<std::uint8_t>(rng());
  for (std::size_t s = 0; s < 8; ++s) PutLe16(block, 40 + 2 * s, 0xFFFF);  // no program references
  PutLe32(block, 240, CalcCrc32(ByteSpan(block).first(240)));
  PutLe32(block, 252, CalcCrc32(ByteSpan(block).subspan(244, 8)));
  // The box writes its copies upward; the valid one here stands in the third slot.
  std::copy(block.begin(), block.end(),
            sector.begin() + static_cast<std::ptrdiff_t>(3 * kLowestSystemBlockSlot));
  return sector;
}

FILE_DOWNLOAD_HEADER_T SampleIdentity() {
  FILE_DOWNLOAD_HEADER_T header;
  SetFieldText(header.acManufacture, "BOXMAKER");
  SetFieldText(header.acHardwareModule, "HW-7");
  SetFieldText(header.acHardwareVersion, "1.1");
  SetFieldText(header.acSoftwareModule, "SW-7");
  SetFieldText(header.acSoftwareVersion, "2.4");
  header.aucReserved2 = {1, 2, 3, 4, 5, 6, 7, 8};
  return header;
}

Bytes SampleDataFile(const BoxDatabase& db, int slot, const FILE_DOWNLOAD_HEADER_T& identity) {
  Bytes image = PackDatabase(EncodeDatabaseImage(db), slot);
  WriteBlockTable(image, slot);
  SlotHeader header{};
  for (std::size_t i = 0; i < header.size(); ++i) header[i] = static_cast<std::uint8_t>(0xA0 + i);
  WriteSlotHeader(image, slot, header);
  const Bytes sector = SampleSystemSector(5);
  std::copy(sector.begin(), sector.end(), image.begin());
  return ImageToDld(image, identity, kDataPartitionCount);
}

Bytes SampleFlashImage(ByteSpan dataFile) {
  constexpr std::size_t kFlashSize = 0x200000;
  const DldImage data = DldToImage(dataFile, kDataPartitionCount);
  Bytes flash(kFlashSize, 0xFF);
  std::copy(data.image.begin(), data.image.end(), flash.begin() + (kDataImageBase - kFlashBase));
  return flash;
}

}  // namespace tuneflash
