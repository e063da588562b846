// The program part of the database: free states, reading and writing it in
// the image, and the box form of a new program.
#include <array>

#include "boxdb/field_tables.h"
#include "boxdb/programs.h"
#include "boxdb/record_io.h"
#include "boxdb/show_text.h"
#include "boxdb/table_access.h"
#include "dld/int_text.h"

namespace tuneflash {
namespace {

namespace f = program_bits;

constexpr std::array<std::uint8_t, 24> kFreeProgramHead{0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x00, 0xF0, 0xFF,
                                                        0x00, 0x00, 0x00, 0x00, 0xFF, 0x1F, 0xFF, 0x1F,
                                                        0xF8, 0xFF, 0xF8, 0xFF, 0x00, 0xFF, 0xFF, 0xFF};
constexpr std::array<std::uint8_t, 4> kFreeGroupWord{0xFE, 0xFF, 0x00, 0x00};
constexpr std::array<std::uint8_t, 4> kFavNamePrefix{'F', 'A', 'V', ' '};
constexpr std::array<std::uint8_t, 3> kDefaultLanguage{'e', 'n', 'g'};
constexpr std::uint8_t kFreeServiceType = 2;
constexpr std::int16_t kFreeProviderKey = -1;

std::int16_t GetI16(ByteSpan bytes, std::size_t offset) {
  return static_cast<std::int16_t>(GetLe16(bytes, offset));
}
void PutI16(MutableByteSpan bytes, std::size_t offset, std::int16_t value) {
  PutLe16(bytes, offset, static_cast<std::uint16_t>(value));
}

void ResetFavGroup(BoxDatabase& db, std::size_t group) {
  MutableByteSpan bytes(Tables(db).favGroups[group].bytes);
  PutI16(bytes, kFavCountOffset, 0);
  auto name = bytes.subspan(kFavNameOffset, kFavNameSize);
  std::fill(name.begin(), name.end(), std::uint8_t{0});
  std::copy(kFavNamePrefix.begin(), kFavNamePrefix.end(), name.begin());
  name[kFavNamePrefix.size()] = static_cast<std::uint8_t>(group + 1);
  for (std::size_t j = 0; j < kFavGroupMembers; ++j) PutI16(bytes, kFavProgramsOffset + 2 * j, kNoSlot);
  FAV_GROGUP_INFO_SHOW_T freeSlot;
  freeSlot.programs.fill(kNoSlot);
  Tables(db).favGroupsShow[group] = freeSlot;
}

void ResetCasGroup(BoxDatabase& db, std::size_t index) {
  auto& bytes = Tables(db).casGroups[index].bytes;
  std::copy(kFreeGroupWord.begin(), kFreeGroupWord.end(), bytes.begin());
  PutAreaText(MutableByteSpan(bytes).subspan(kGroupNameOffset, kCasNameSize), "");
  std::fill_n(bytes.begin() + kCasReservedOffset, kCasReservedSize, std::uint8_t{0xFF});
  Tables(db).casGroupsShow[index] = CAS_GROGUP_INFO_SHOW_T{};
}

template <typename Show, typename Record>
Show DecodeGroup(const Record& group, std::size_t nameSize) {
  const ByteSpan bytes(group.bytes);
  const auto v = DecodeBitFields(bytes, kGroupFields);
  Show show;
  show.flag = static_cast<std::uint8_t>(v[group_bits::kFlag]);
  show.key = static_cast<std::int16_t>(v[group_bits::kKey]);
  show.count = static_cast<std::int16_t>(v[group_bits::kCount]);
  show.name = AreaText(bytes.subspan(kGroupNameOffset, nameSize));
  return show;
}

FAV_GROGUP_INFO_SHOW_T DecodeFavGroup(const FAV_GROGUP_INFO_T& group) {
  const ByteSpan bytes(group.bytes);
  FAV_GROGUP_INFO_SHOW_T show;
  show.count = GetI16(bytes, kFavCountOffset);
  show.name = AreaText(bytes.subspan(kFavNameOffset, kFavNameSize));
  for (std::size_t j = 0; j < kFavGroupMembers; ++j)
    show.programs[j] = GetI16(bytes, kFavProgramsOffset + 2 * j);
  return show;
}

std::int64_t PidValue(const std::string& text) {
  return StrToInt(TrimBlanks(text));
}

}  // namespace

void ResetProgramSlot(BoxDatabase& db, Slot slot) {
  if (slot < 0 || static_cast<std::size_t>(slot) >= kProgramCapacity) return;
  const auto i = static_cast<std::size_t>(slot);
  auto& bytes = Tables(db).programs[i].bytes;
  std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
  std::copy(kFreeProgramHead.begin(), kFreeProgramHead.end(), bytes.begin());

  // Freeing keeps prog_param_1, prog_flag_7 and service_id of the show form.
  const auto& old = Tables(db).programsShow[i];
  PROGRAM_INFO_SHOW_T freeSlot;
  freeSlot.prog_param_1 = old.prog_param_1;
  freeSlot.prog_flag_7 = old.prog_flag_7;
  freeSlot.service_id = old.service_id;
  freeSlot.prev_program = kNoSlot;
  freeSlot.next_program = kNoSlot;
  freeSlot.tp_index = kNoSlot;
  freeSlot.provider_index = kNoSlot;
  freeSlot.service_type = kFreeServiceType;
  freeSlot.language = kDefaultLanguage;
  Tables(db).programsShow[i] = freeSlot;
}

void StoreFavGroup(BoxDatabase& db, int index, const FAV_GROGUP_INFO_T& group) {
  if (index < 0 || static_cast<std::size_t>(index) >= kFavGroupCapacity) return;
  const auto i = static_cast<std::size_t>(index);
  Tables(db).favGroups[i] = group;
  Tables(db).favGroupsShow[i] = DecodeFavGroup(group);
}

void StoreProviderGroup(BoxDatabase& db, int index, const PROVIDER_GROGUP_INFO_T& group) {
  if (index < 0 || static_cast<std::size_t>(index) >= kProviderGroupCapacity) return;
  const auto i = static_cast<std::size_t>(index);
  Tables(db).providerGroups[i] = group;
  Tables(db).providerGroupsShow[i] = DecodeGroup<PROVIDER_GROGUP_INFO_SHOW_T>(group, kProviderNameSize);
}

void StoreCasGroup(BoxDatabase& db, int index, const CAS_GROGUP_INFO_T& group) {
  if (index < 0 || static_cast<std::size_t>(index) >= kCasGroupCapacity) return;
  const auto i = static_cast<std::size_t>(index);
  Tables(db).casGroups[i] = group;
  Tables(db).casGroupsShow[i] = DecodeGroup<CAS_GROGUP_INFO_SHOW_T>(group, kCasNameSize);
}

void ResetProviderGroup(BoxDatabase& db, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kProviderGroupCapacity) return;
  const auto i = static_cast<std::size_t>(index);
  auto& bytes = Tables(db).providerGroups[i].bytes;
  std::copy(kFreeGroupWord.begin(), kFreeGroupWord.end(), bytes.begin());
  PutAreaText(MutableByteSpan(bytes).subspan(kGroupNameOffset, kProviderNameSize), "");
  PROVIDER_GROGUP_INFO_SHOW_T freeSlot;
  freeSlot.key = kFreeProviderKey;
  Tables(db).providerGroupsShow[i] = freeSlot;
}

void ResetProgramPart(BoxDatabase& db) {
  Tables(db).programHeader = PROGRAM_LIST_HEADER_T{kNoSlot, kNoSlot, 0, 0, 0, 0};
  for (std::size_t g = 0; g < kFavGroupCapacity; ++g) ResetFavGroup(db, g);
  for (std::size_t c = 0; c < kCasGroupCapacity; ++c) ResetCasGroup(db, c);
  for (std::size_t p = 0; p < kProviderGroupCapacity; ++p) ResetProviderGroup(db, static_cast<int>(p));
  for (std::size_t s = 0; s < kProgramCapacity; ++s) ResetProgramSlot(db, static_cast<Slot>(s));
}

PROGRAM_INFO_SHOW_T DecodeProgram(const PROGRAM_INFO_T& program) {
  const ByteSpan bytes(program.bytes);
  const auto v = DecodeBitFields(bytes, kProgramFields);
  const auto u8 = [&v](std::size_t field) { return static_cast<std::uint8_t>(v[field]); };
  PROGRAM_INFO_SHOW_T show;
  show.prev_program = GetI16(bytes, kProgramPrevOffset);
  show.next_program = GetI16(bytes, kProgramNextOffset);
  show.used = u8(f::kUsed);
  show.service_type = u8(f::kServiceType);
  show.prog_param_1 = u8(f::kParam1);
  show.prog_flag_1 = u8(f::kFlag1);
  show.prog_flag_2 = u8(f::kFlag2);
  show.prog_flag_3 = u8(f::kFlag3);
  show.tp_source = u8(f::kTpSource);
  show.tp_index = static_cast<std::int16_t>(v[f::kTpIndex]);
  show.language = {u8(f::kLanguage1), u8(f::kLanguage2), u8(f::kLanguage3)};
  show.service_id = static_cast<std::int16_t>(v[f::kServiceId]);
  show.service_id_text = ServiceIdText(static_cast<std::uint16_t>(v[f::kServiceId]));
  show.pid_1_text = DecimalText(v[f::kPid1]);
  show.ca_count = u8(f::kCaCount);
  show.pid_2_text = DecimalText(v[f::kPid2]);
  show.pid_2_type = u8(f::kPid2Type);
  show.prog_flag_4 = u8(f::kFlag4);
  show.prog_flag_5 = u8(f::kFlag5);
  show.prog_flag_6 = u8(f::kFlag6);
  show.pid_3_text = DecimalText(v[f::kPid3]);
  show.prog_flag_7 = u8(f::kFlag7);
  show.scrambled = u8(f::kScrambled);
  show.prog_flag_8 = u8(f::kFlag8);
  show.pid_4_text = DecimalText(v[f::kPid4]);
  show.prog_param_2 = u8(f::kParam2);
  show.sat_index = u8(f::kSatIndex);
  show.provider_index = static_cast<std::int16_t>(v[f::kProviderIndex]);
  for (std::size_t k = 0; k < kProgramCaIdCount; ++k)
    show.ca_ids[k] = GetLe16(bytes, kProgramCaIdsOffset + 2 * k);
  show.name = AreaText(bytes.subspan(kProgramNameOffset, kProgramNameSize));
  return show;
}

std::optional<PROGRAM_INFO_T> BuildProgramRecord(const PROGRAM_INFO_SHOW_T& r) {
  if (r.ca_count > kProgramCaIdCount) return std::nullopt;
  std::array<std::int64_t, f::kCount> v{};
  v[f::kUsed] = r.used;
  v[f::kServiceType] = r.service_type;
  v[f::kParam1] = r.prog_param_1;
  v[f::kFlag1] = r.prog_flag_1;
  v[f::kFlag2] = r.prog_flag_2;
  v[f::kFlag3] = r.prog_flag_3;
  v[f::kLanguage1] = r.language[0];
  v[f::kTpSource] = r.tp_source;
  v[f::kTpIndex] = r.tp_index;
  v[f::kLanguage2] = r.language[1];
  v[f::kLanguage3] = r.language[2];
  v[f::kServiceId] = static_cast<std::uint16_t>(r.service_id);
  v[f::kPid1] = PidValue(r.pid_1_text);
  v[f::kCaCount] = r.ca_count;
  v[f::kPid2] = PidValue(r.pid_2_text);
  v[f::kPid2Type] = r.pid_2_type;
  v[f::kFlag4] = r.prog_flag_4;
  v[f::kFlag5] = r.prog_flag_5;
  v[f::kFlag6] = r.prog_flag_6;
  v[f::kPid3] = PidValue(r.pid_3_text);
  v[f::kFlag7] = r.prog_flag_7;
  v[f::kScrambled] = r.scrambled;
  v[f::kFlag8] = r.prog_flag_8;
  v[f::kPid4] = PidValue(r.pid_4_text);
  v[f::kParam2] = r.prog_param_2;
  v[f::kSatIndex] = r.sat_index;
  v[f::kProviderIndex] = r.provider_index;

  // Only the indexes take -1 (all ones); a negative PID is refused.
  if (v[f::kPid1] < 0 || v[f::kPid2] < 0 || v[f::kPid3] < 0 || v[f::kPid4] < 0) return std::nullopt;

  PROGRAM_INFO_T program;  // zero: bits 31..25 of W5 and the name area's tail
  MutableByteSpan bytes(program.bytes);
  if (!EncodeBitFields(bytes, kProgramFields, v)) return std::nullopt;
  PutI16(bytes, kProgramPrevOffset, r.prev_program);
  PutI16(bytes, kProgramNextOffset, r.next_program);
  for (std::size_t k = 0; k < kProgramCaIdCount; ++k)
    PutLe16(bytes, kProgramCaIdsOffset + 2 * k, r.ca_ids[k]);
  PutAreaText(bytes.subspan(kProgramNameOffset, kProgramNameSize), r.name);
  return program;
}

void ReadProgramPart(BoxDatabase& db, ByteSpan image) {
  RequireDatabaseImage(image.size());
  auto& h = Tables(db).programHeader;
  h.first_program = GetI16(image, kProgramHeaderOffset);
  h.last_program = GetI16(image, kProgramHeaderOffset + 2);
  h.program_count = GetI16(image, kProgramHeaderOffset + 4);
  h.tv_count = GetI16(image, kProgramHeaderOffset + 6);
  h.radio_count = GetI16(image, kProgramHeaderOffset + 8);
  h.data_count = GetI16(image, kProgramHeaderOffset + 10);
  for (std::size_t g = 0; g < kFavGroupCapacity; ++g) {
    StoreFavGroup(db, static_cast<int>(g), LoadedRecord<FAV_GROGUP_INFO_T>(image, kFavGroupTableOffset, g));
  }
  for (std::size_t p = 0; p < kProviderGroupCapacity; ++p) {
    StoreProviderGroup(db, static_cast<int>(p),
                       LoadedRecord<PROVIDER_GROGUP_INFO_T>(image, kProviderGroupTableOffset, p));
  }
  for (std::size_t c = 0; c < kCasGroupCapacity; ++c) {
    StoreCasGroup(db, static_cast<int>(c), LoadedRecord<CAS_GROGUP_INFO_T>(image, kCasGroupTableOffset, c));
  }
  for (std::size_t s = 0; s < kProgramCapacity; ++s) {
    LoadRecord(Tables(db).programs[s], TableArea<PROGRAM_INFO_T>(image, kProgramTableOffset, s));
    Tables(db).programsShow[s] = DecodeProgram(Tables(db).programs[s]);
  }
}

void WriteProgramPart(const BoxDatabase& db, MutableByteSpan image) {
  RequireDatabaseImage(image.size());
  const auto& h = Tables(db).programHeader;
  PutI16(image, kProgramHeaderOffset, h.first_program);
  PutI16(image, kProgramHeaderOffset + 2, h.last_program);
  PutI16(image, kProgramHeaderOffset + 4, h.program_count);
  PutI16(image, kProgramHeaderOffset + 6, h.tv_count);
  PutI16(image, kProgramHeaderOffset + 8, h.radio_count);
  PutI16(image, kProgramHeaderOffset + 10, h.data_count);
  for (std::size_t g = 0; g < kFavGroupCapacity; ++g) {
    StoreRecord(Tables(db).favGroups[g], image, kFavGroupTableOffset + g * kFavGroupSize);
  }
  for (std::size_t p = 0; p < kProviderGroupCapacity; ++p) {
    StoreRecord(Tables(db).providerGroups[p], image, kProviderGroupTableOffset + p * kProviderGroupSize);
  }
  for (std::size_t c = 0; c < kCasGroupCapacity; ++c) {
    StoreRecord(Tables(db).casGroups[c], image, kCasGroupTableOffset + c * kCasGroupSize);
  }
  for (std::size_t s = 0; s < kProgramCapacity; ++s) {
    StoreRecord(Tables(db).programs[s], image, kProgramTableOffset + s * kProgramSize);
  }
}

}  // namespace tuneflash
