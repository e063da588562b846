// The satellite table: free state, image part, lookup by orbital position.
#include "boxdb/satellites.h"

#include <array>

#include "boxdb/field_tables.h"
#include "boxdb/record_io.h"
#include "boxdb/show_text.h"
#include "boxdb/table_access.h"

namespace tuneflash {
namespace {

constexpr std::array<std::uint8_t, 8> kFreeSatelliteWords{0x00, 0x00, 0x54, 0x00, 0x01, 0x00, 0x1E, 0x14};
constexpr std::string_view kFreeSatelliteName = "Uninstall";
constexpr std::uint32_t kFreeAutoScanWord = 0x6DDD3E80;

bool IsSatelliteSlot(Slot slot) {
  return slot >= 0 && static_cast<std::size_t>(slot) < kSatelliteCapacity;
}

}  // namespace

void ResetSatellite(BoxDatabase& db, Slot slot) {
  if (!IsSatelliteSlot(slot)) return;
  auto& bytes = Tables(db).satellites[static_cast<std::size_t>(slot)].bytes;
  std::copy(kFreeSatelliteWords.begin(), kFreeSatelliteWords.end(), bytes.begin());
  PutAreaText(MutableByteSpan(bytes).subspan(kSatNameOffset, kSatNameSize), kFreeSatelliteName);
  for (std::size_t k = 0; k < kAutoScanTpCount; ++k) {
    PutLe32(bytes, kSatAutoScanOffset + k * kAutoScanTpSize, kFreeAutoScanWord);
  }
  Tables(db).satellitesShow[static_cast<std::size_t>(slot)] = SATELLITE_INFO_SHOW_T{};
}

void StoreSatellite(BoxDatabase& db, Slot slot, const SATELLITE_INFO_T& satellite) {
  if (!IsSatelliteSlot(slot)) return;
  const auto i = static_cast<std::size_t>(slot);
  Tables(db).satellites[i] = satellite;
  Tables(db).satellitesShow[i] = DecodeSatellite(satellite);
}

void ResetAllSatellites(BoxDatabase& db) {
  for (std::size_t i = 0; i < kSatelliteCapacity; ++i) ResetSatellite(db, static_cast<Slot>(i));
}

SATELLITE_INFO_SHOW_T DecodeSatellite(const SATELLITE_INFO_T& satellite) {
  namespace f = satellite_bits;
  const ByteSpan bytes(satellite.bytes);
  const auto v = DecodeBitFields(bytes, kSatelliteFields);
  SATELLITE_INFO_SHOW_T show;
  show.sat_param_1 = static_cast<std::uint8_t>(v[f::kParam1]);
  show.sat_param_3 = static_cast<std::uint8_t>(v[f::kParam3]);
  show.sat_param_4 = static_cast<std::uint8_t>(v[f::kParam4]);
  show.sat_flag_1 = static_cast<std::uint8_t>(v[f::kFlag1]);
  show.sat_param_2 = static_cast<std::uint8_t>(v[f::kParam2]);
  show.longitude = static_cast<std::int16_t>(v[f::kLongitude]);
  show.longitude_text = TenthsText(show.longitude);
  show.sat_param_5 = static_cast<std::uint8_t>(v[f::kParam5]);
  show.lnb_frequency_text = DecimalText(v[f::kLnbFrequency]);
  show.sat_name = AreaText(bytes.subspan(kSatNameOffset, kSatNameSize));
  for (std::size_t k = 0; k < kAutoScanTpCount; ++k) {
    const auto tp = DecodeBitFields(bytes.subspan(kSatAutoScanOffset + k * kAutoScanTpSize, kAutoScanTpSize),
                                    kAutoScanTpFields);
    auto& entry = show.auto_scan_tp[k];
    entry.polarisation = static_cast<std::uint8_t>(tp[auto_scan_bits::kPolarisation]);
    entry.frequency_text = DecimalText(tp[auto_scan_bits::kFrequency]);
    entry.symbol_rate_text = DecimalText(tp[auto_scan_bits::kSymbolRate]);
  }
  return show;
}

void ReadSatellitePart(BoxDatabase& db, ByteSpan image) {
  RequireDatabaseImage(image.size());
  for (std::size_t i = 0; i < kSatelliteCapacity; ++i) {
    StoreSatellite(db, static_cast<Slot>(i), LoadedRecord<SATELLITE_INFO_T>(image, kSatelliteTableOffset, i));
  }
}

void WriteSatellitePart(const BoxDatabase& db, MutableByteSpan image) {
  RequireDatabaseImage(image.size());
  for (std::size_t i = 0; i < kSatelliteCapacity; ++i) {
    StoreRecord(Tables(db).satellites[i], image, kSatelliteTableOffset + i * kSatelliteSize);
  }
}

Slot FindSatelliteByPos(const BoxDatabase& db, std::int16_t longitude) {
  for (std::size_t i = 0; i < kSatelliteCapacity; ++i) {
    if (Tables(db).satellitesShow[i].longitude == longitude) return static_cast<Slot>(i);
  }
  return kNoSlot;
}

std::int16_t GetSatellitePos(const BoxDatabase& db, Slot slot) {
  return IsSatelliteSlot(slot) ? Tables(db).satellitesShow[static_cast<std::size_t>(slot)].longitude
                               : std::int16_t{0};
}

}  // namespace tuneflash
