// Satellite and terrestrial transponder tables.
#include "boxdb/transponders.h"

#include <array>
#include <optional>

#include "boxdb/field_tables.h"
#include "boxdb/programs.h"
#include "boxdb/record_io.h"
#include "boxdb/show_text.h"
#include "boxdb/table_access.h"
#include "dld/int_text.h"

namespace tuneflash {
namespace {

namespace f = sat_tp_bits;

constexpr std::array<std::uint8_t, kSatTpSize> kFreeSatTp{0x00, 0x00, 0x00, 0x00, 0x80, 0x3E, 0xDD, 0x6D,
                                                          0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
constexpr std::uint32_t kNewTpWord3 = 0xFFFFFFFF;
constexpr std::uint32_t kNewTpWord4 = 0;
constexpr std::uint8_t kFreeTpSatIndex = 255;
constexpr std::uint8_t kFreeTpNumber = 255;
constexpr std::uint8_t kFreeTerParam1 = 255;

bool IsTpSlot(Slot slot) {
  return slot >= 0 && static_cast<std::size_t>(slot) < kSatTpCapacity;
}
bool IsTerTpSlot(Slot slot) {
  return slot >= 0 && static_cast<std::size_t>(slot) < kTerTpCapacity;
}
bool IsSatellite(int sat) {
  return sat >= 0 && static_cast<std::size_t>(sat) < kSatelliteCapacity;
}
std::size_t At(Slot slot) {
  return static_cast<std::size_t>(slot);
}

int CountStep(EditMode mode) {
  switch (mode) {
    case EditMode::Adding:
      return 1;
    case EditMode::Deleting:
      return -1;
    default:
      return 0;
  }
}

// The box form `record` gives `current`, or empty when a value does not fit.
// Adding takes word A whole; otherwise only its FEC and polarisation change.
std::optional<SAT_TRANSPONDER_INFO_T> BuildSatTp(const SAT_TRANSPONDER_INFO_T& current,
                                                 const SAT_TRANSPONDER_INFO_SHOW_T& record, bool adding,
                                                 std::uint8_t tpParam2) {
  const std::int64_t frequency = StrToInt(record.frequency_text);
  const std::int64_t symbolRate = StrToInt(record.symbol_rate_text);
  if (frequency < 0 || symbolRate < 0) return std::nullopt;  // -1 would pass as "all ones"
  SAT_TRANSPONDER_INFO_T built = current;
  MutableByteSpan bytes(built.bytes);
  if (adding) {
    PutLe32(bytes, 0, 0);
    const std::array fields{kSatTpFields[f::kFec], kSatTpFields[f::kPolarisation], kSatTpFields[f::kUsed],
                            kSatTpFields[f::kTpNumber], kSatTpFields[f::kSatIndex]};
    const std::array<std::int64_t, 5> values{record.fec, record.polarisation, record.used, record.tp_number,
                                             record.sat_index};
    if (!EncodeBitFields(bytes, fields, values)) return std::nullopt;
  } else {
    const std::array fields{kSatTpFields[f::kFec], kSatTpFields[f::kPolarisation]};
    const std::array<std::int64_t, 2> values{record.fec, record.polarisation};
    if (!EncodeBitFields(bytes, fields, values)) return std::nullopt;
  }
  const std::array fields{kSatTpFields[f::kSymbolRate], kSatTpFields[f::kFrequency],
                          kSatTpFields[f::kParam2]};
  const std::array<std::int64_t, 3> values{symbolRate, frequency, adding ? 0 : tpParam2};
  if (!EncodeBitFields(bytes, fields, values)) return std::nullopt;
  return built;
}

// Both forms of `slot` from the box form `tp`.
// A code without a text keeps the text the slot showed.
void StoreTp(BoxDatabase& db, Slot slot, const SAT_TRANSPONDER_INFO_T& tp) {
  auto& show = Tables(db).satTpsShow[At(slot)];
  auto decoded = DecodeSatTp(tp);
  if (decoded.polarisation_text.empty()) decoded.polarisation_text = show.polarisation_text;
  if (decoded.fec_text.empty()) decoded.fec_text = show.fec_text;
  Tables(db).satTps[At(slot)] = tp;
  show = std::move(decoded);
}

// One field of `slot` in both forms; false, and nothing changed, for a slot
// outside the table or a value that does not fit.
bool SetTpField(BoxDatabase& db, Slot slot, std::size_t field, std::int64_t value) {
  if (!IsTpSlot(slot)) return false;
  SAT_TRANSPONDER_INFO_T tp = Tables(db).satTps[At(slot)];
  if (value < 0 || !EncodeBitField(tp.bytes, kSatTpFields[field], value)) return false;
  StoreTp(db, slot, tp);
  return true;
}

void ReadSatTpHeader(SAT_TP_LIST_HEADER_T& header, ByteSpan image) {
  header.tp_count = static_cast<std::int16_t>(GetLe16(image, kSatTpHeaderOffset));
  header.reserved = GetLe16(image, kSatTpHeaderOffset + 2);
  for (std::size_t i = 0; i < kSatelliteCapacity; ++i) {
    header.tp_per_satellite[i] = GetLe16(image, kSatTpHeaderOffset + 4 + 2 * i);
  }
}

void WriteSatTpHeader(const SAT_TP_LIST_HEADER_T& header, MutableByteSpan image) {
  PutLe16(image, kSatTpHeaderOffset, static_cast<std::uint16_t>(header.tp_count));
  PutLe16(image, kSatTpHeaderOffset + 2, header.reserved);
  for (std::size_t i = 0; i < kSatelliteCapacity; ++i) {
    PutLe16(image, kSatTpHeaderOffset + 4 + 2 * i, header.tp_per_satellite[i]);
  }
}

}  // namespace

void ResetTp(BoxDatabase& db, Slot slot) {
  if (!IsTpSlot(slot)) return;
  Tables(db).satTps[At(slot)].bytes = kFreeSatTp;
  SAT_TRANSPONDER_INFO_SHOW_T freeSlot;
  freeSlot.sat_index = kFreeTpSatIndex;
  freeSlot.tp_number = kFreeTpNumber;
  Tables(db).satTpsShow[At(slot)] = freeSlot;
}

void ResetAllTps(BoxDatabase& db) {
  Tables(db).satTpHeader.tp_count = 0;
  Tables(db).satTpHeader.tp_per_satellite.fill(0);
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) ResetTp(db, static_cast<Slot>(i));
}

void ResetTerTp(BoxDatabase& db, Slot slot) {
  if (!IsTerTpSlot(slot)) return;
  Tables(db).terTps[At(slot)].bytes.fill(0);
  TER_TRANSPONDER_INFO_SHOW_T freeSlot;
  freeSlot.ter_param_1 = kFreeTerParam1;
  Tables(db).terTpsShow[At(slot)] = freeSlot;
}

void ResetAllTerTps(BoxDatabase& db) {
  Tables(db).terTpHeader.ter_tp_count = 0;
  for (std::size_t i = 0; i < kTerTpCapacity; ++i) ResetTerTp(db, static_cast<Slot>(i));
}

SAT_TRANSPONDER_INFO_SHOW_T DecodeSatTp(const SAT_TRANSPONDER_INFO_T& tp) {
  const auto v = DecodeBitFields(ByteSpan(tp.bytes), kSatTpFields);
  SAT_TRANSPONDER_INFO_SHOW_T show;
  show.sat_index = static_cast<std::uint8_t>(v[f::kSatIndex]);
  show.tp_number = static_cast<std::uint8_t>(v[f::kTpNumber]);
  show.used = static_cast<std::uint8_t>(v[f::kUsed]);
  show.polarisation = static_cast<std::uint8_t>(v[f::kPolarisation]);
  show.polarisation_text = PolarisationText(show.polarisation);
  show.fec = static_cast<std::uint8_t>(v[f::kFec]);
  show.fec_text = FecText(show.fec);
  show.tp_param_1 = static_cast<std::uint8_t>(v[f::kParam1]);
  show.tp_param_2 = static_cast<std::uint8_t>(v[f::kParam2]);
  show.frequency_text = DecimalText(v[f::kFrequency]);
  show.symbol_rate_text = DecimalText(v[f::kSymbolRate]);
  return show;
}

TER_TRANSPONDER_INFO_SHOW_T DecodeTerTp(const TER_TRANSPONDER_INFO_T& tp) {
  namespace t = ter_tp_bits;
  const ByteSpan bytes(tp.bytes);
  const auto v = DecodeBitFields(bytes, kTerTpFields);
  TER_TRANSPONDER_INFO_SHOW_T show;
  show.used = static_cast<std::uint8_t>(v[t::kUsed]);
  show.ter_number_text = DecimalText(v[t::kNumber]);
  show.ter_param_1 = static_cast<std::uint8_t>(v[t::kParam1]);
  show.ter_param_2 = static_cast<std::uint8_t>(v[t::kParam2]);
  show.bandwidth = static_cast<std::uint8_t>(v[t::kBandwidth]);
  show.bandwidth_text = BandwidthText(show.bandwidth);
  show.frequency_text = ThousandthsText(static_cast<std::int32_t>(GetLe32(bytes, kTerFrequencyOffset)));
  return show;
}

void ReadTpPart(BoxDatabase& db, ByteSpan image) {
  RequireDatabaseImage(image.size());
  ReadSatTpHeader(Tables(db).satTpHeader, image);
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) {
    LoadRecord(Tables(db).satTps[i], TableArea<SAT_TRANSPONDER_INFO_T>(image, kSatTpTableOffset, i));
    Tables(db).satTpsShow[i] = DecodeSatTp(Tables(db).satTps[i]);
  }
}

void WriteTpPart(const BoxDatabase& db, MutableByteSpan image) {
  RequireDatabaseImage(image.size());
  WriteSatTpHeader(Tables(db).satTpHeader, image);
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) {
    StoreRecord(Tables(db).satTps[i], image, kSatTpTableOffset + i * kSatTpSize);
  }
}

void ReadTerTpPart(BoxDatabase& db, ByteSpan image) {
  RequireDatabaseImage(image.size());
  Tables(db).terTpHeader.ter_tp_count = static_cast<std::int16_t>(GetLe16(image, kTerTpHeaderOffset));
  Tables(db).terTpHeader.reserved = GetLe16(image, kTerTpHeaderOffset + 2);
  for (std::size_t i = 0; i < kTerTpCapacity; ++i) {
    LoadRecord(Tables(db).terTps[i], TableArea<TER_TRANSPONDER_INFO_T>(image, kTerTpTableOffset, i));
    Tables(db).terTpsShow[i] = DecodeTerTp(Tables(db).terTps[i]);
  }
}

void WriteTerTpPart(const BoxDatabase& db, MutableByteSpan image) {
  RequireDatabaseImage(image.size());
  PutLe16(image, kTerTpHeaderOffset, static_cast<std::uint16_t>(Tables(db).terTpHeader.ter_tp_count));
  PutLe16(image, kTerTpHeaderOffset + 2, Tables(db).terTpHeader.reserved);
  for (std::size_t i = 0; i < kTerTpCapacity; ++i) {
    StoreRecord(Tables(db).terTps[i], image, kTerTpTableOffset + i * kTerTpSize);
  }
}

int GetTpCount(const BoxDatabase& db) {
  return Tables(db).satTpHeader.tp_count;
}

int GetSatTpCount(const BoxDatabase& db, int sat) {
  return IsSatellite(sat) ? Tables(db).satTpHeader.tp_per_satellite[static_cast<std::size_t>(sat)] : 0;
}

bool IsTpUsed(const BoxDatabase& db, Slot slot) {
  return IsTpSlot(slot) && Tables(db).satTpsShow[At(slot)].used == 1;
}
int GetTpSatIndex(const BoxDatabase& db, Slot slot) {
  return IsTpSlot(slot) ? Tables(db).satTpsShow[At(slot)].sat_index : -1;
}
int GetTpNumber(const BoxDatabase& db, Slot slot) {
  return IsTpSlot(slot) ? Tables(db).satTpsShow[At(slot)].tp_number : -1;
}
int GetTpPolarity(const BoxDatabase& db, Slot slot) {
  return IsTpSlot(slot) ? Tables(db).satTpsShow[At(slot)].polarisation : 0;
}
int GetTpFec(const BoxDatabase& db, Slot slot) {
  return IsTpSlot(slot) ? Tables(db).satTpsShow[At(slot)].fec : 0;
}

std::string GetTpFrequency(const BoxDatabase& db, Slot slot) {
  return IsTpSlot(slot) ? std::string(TrimBlanks(Tables(db).satTpsShow[At(slot)].frequency_text))
                        : std::string();
}

std::string GetTpSymbolRate(const BoxDatabase& db, Slot slot) {
  return IsTpSlot(slot) ? std::string(TrimBlanks(Tables(db).satTpsShow[At(slot)].symbol_rate_text))
                        : std::string();
}

bool SetTpUsed(BoxDatabase& db, Slot slot) {
  return SetTpField(db, slot, f::kUsed, 1);
}

bool SetTpSatIndex(BoxDatabase& db, Slot slot, std::uint8_t sat) {
  return SetTpField(db, slot, f::kSatIndex, sat);
}

bool SetTpFrequency(BoxDatabase& db, Slot slot, std::string_view text) {
  return SetTpField(db, slot, f::kFrequency, StrToInt(text));
}

bool SetTpSymbolRate(BoxDatabase& db, Slot slot, std::string_view text) {
  return SetTpField(db, slot, f::kSymbolRate, StrToInt(text));
}

bool SetTpPolarity(BoxDatabase& db, Slot slot, std::uint8_t code) {
  return SetTpField(db, slot, f::kPolarisation, code);
}

bool SetTpFec(BoxDatabase& db, Slot slot, std::uint8_t code) {
  return SetTpField(db, slot, f::kFec, code);
}

void CountTp(BoxDatabase& db, EditMode mode) {
  Tables(db).satTpHeader.tp_count =
      static_cast<std::int16_t>(Tables(db).satTpHeader.tp_count + CountStep(mode));
}

void CountSatTp(BoxDatabase& db, int sat, EditMode mode) {
  if (!IsSatellite(sat)) return;
  auto& count = Tables(db).satTpHeader.tp_per_satellite[static_cast<std::size_t>(sat)];
  count = static_cast<std::uint16_t>(count + CountStep(mode));
}

Slot FindFreeTpSlot(const BoxDatabase& db) {
  if (Tables(db).satTpHeader.tp_count > static_cast<int>(kSatTpCapacity)) return kNoSlot;
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) {
    if (Tables(db).satTpsShow[i].used != 1) return static_cast<Slot>(i);
  }
  return kNoSlot;
}

bool FindTp(const BoxDatabase& db, int sat, int polarisation, int fec, std::string_view frequencyText,
            std::string_view symbolRateText, Slot& slot) {
  const auto frequency = TrimBlanks(frequencyText);
  const auto symbolRate = TrimBlanks(symbolRateText);
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) {
    const auto& tp = Tables(db).satTpsShow[i];
    if (tp.used == 1 && tp.sat_index == sat && tp.polarisation == polarisation && tp.fec == fec &&
        TrimBlanks(tp.frequency_text) == frequency && TrimBlanks(tp.symbol_rate_text) == symbolRate) {
      slot = static_cast<Slot>(i);
      return true;
    }
  }
  return false;
}

bool WriteTp(BoxDatabase& db, Slot slot, const SAT_TRANSPONDER_INFO_SHOW_T& record, EditMode mode) {
  if (!IsTpSlot(slot)) return false;
  const auto built = BuildSatTp(Tables(db).satTps[At(slot)], record, mode == EditMode::Adding,
                                Tables(db).satTpsShow[At(slot)].tp_param_2);
  if (!built) return false;
  StoreTp(db, slot, *built);
  return true;
}

bool AddTp(BoxDatabase& db, const SAT_TRANSPONDER_INFO_SHOW_T& record, Slot& slot) {
  const int sat = record.sat_index;
  if (Tables(db).satTpHeader.tp_count > static_cast<int>(kSatTpCapacity) || !IsSatellite(sat) ||
      GetSatTpCount(db, sat) >= kMaxTpsPerSatellite) {
    return false;
  }
  const Slot freeSlot = FindFreeTpSlot(db);
  if (freeSlot == kNoSlot) return false;
  auto built = BuildSatTp(Tables(db).satTps[At(freeSlot)], record, true, 0);
  if (!built) return false;
  MutableByteSpan bytes(built->bytes);
  PutLe32(bytes, kTpWord3Offset, kNewTpWord3);
  PutLe32(bytes, kTpWord4Offset, kNewTpWord4);
  CountTp(db, EditMode::Adding);
  CountSatTp(db, sat, EditMode::Adding);
  StoreTp(db, freeSlot, *built);
  slot = freeSlot;
  return true;
}

void DecrementTpNumber(BoxDatabase& db, Slot slot) {
  if (!IsTpSlot(slot)) return;
  SetTpField(db, slot, f::kTpNumber, Tables(db).satTpsShow[At(slot)].tp_number - 1);
}

void DeleteTp(BoxDatabase& db, Slot slot) {
  if (!IsTpUsed(db, slot)) return;
  const int sat = GetTpSatIndex(db, slot);
  if (!IsSatellite(sat) || GetTpCount(db) <= 0 || GetSatTpCount(db, sat) <= 0) return;
  const int number = GetTpNumber(db, slot);
  CountTp(db, EditMode::Deleting);
  CountSatTp(db, sat, EditMode::Deleting);
  DeleteProgramsOfTp(db, slot);
  for (std::size_t j = 0; j < kSatTpCapacity; ++j) {
    const auto& tp = Tables(db).satTpsShow[j];
    if (tp.used == 1 && tp.sat_index == sat && tp.tp_number >= number)
      DecrementTpNumber(db, static_cast<Slot>(j));
  }
  ResetTp(db, slot);
}

void ClearTpMarks(BoxDatabase& db) {
  std::fill(Tables(db).tpMarks.begin(), Tables(db).tpMarks.end(), std::uint8_t{0});
}

void MarkSatTps(BoxDatabase& db, int sat) {
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) {
    if (Tables(db).satTpsShow[i].used == 1 && Tables(db).satTpsShow[i].sat_index == sat)
      Tables(db).tpMarks[i] = 1;
  }
}

void DeleteMarkedTps(BoxDatabase& db) {
  for (std::size_t i = 0; i < kSatTpCapacity; ++i) {
    if (Tables(db).tpMarks[i] == 1) DeleteTp(db, static_cast<Slot>(i));
  }
}

void DeleteSatTps(BoxDatabase& db, int sat) {
  ClearTpMarks(db);
  MarkSatTps(db, sat);
  DeleteMarkedTps(db);
}

}  // namespace tuneflash
