// The program list: counters, per-slot fields, adding and deleting programs
// with everything that refers to them, and the group lookups.
#include <algorithm>

#include "boxdb/field_tables.h"
#include "boxdb/programs.h"
#include "boxdb/show_text.h"
#include "boxdb/system_sector.h"
#include "boxdb/table_access.h"
#include "dld/int_text.h"
#include "dld/radix.h"

namespace tuneflash {
namespace {

bool IsProgramSlot(Slot slot) {
  return slot >= 0 && static_cast<std::size_t>(slot) < kProgramCapacity;
}
std::size_t At(Slot slot) {
  return static_cast<std::size_t>(slot);
}

using Show = PROGRAM_INFO_SHOW_T;
namespace f = program_bits;

const Show* ShowOf(const BoxDatabase& db, Slot slot) {
  return IsProgramSlot(slot) ? &Tables(db).programsShow[At(slot)] : nullptr;
}

// One show-form field of a slot; `absent` for a slot outside the table.
template <typename T>
int GetField(const BoxDatabase& db, Slot slot, T Show::*field, int absent) {
  const auto* p = ShowOf(db, slot);
  return p != nullptr ? static_cast<int>(p->*field) : absent;
}

// Both forms of `slot` from the box form `program`.
void StoreProgram(BoxDatabase& db, Slot slot, const PROGRAM_INFO_T& program) {
  Tables(db).programs[At(slot)] = program;
  Tables(db).programsShow[At(slot)] = DecodeProgram(program);
}

// Changes the box form of `slot` by `edit` and decodes the show form from it.
// False, and nothing changed, for a slot outside the table or when `edit`
// refuses (a value that does not fit its field).
template <typename Edit>
bool EditProgram(BoxDatabase& db, Slot slot, Edit edit) {
  if (!IsProgramSlot(slot)) return false;
  PROGRAM_INFO_T program = Tables(db).programs[At(slot)];
  if (!edit(MutableByteSpan(program.bytes))) return false;
  // The show form's service type may differ from what the box form decodes
  // to (see KeepServiceType); an edit of another field keeps it.
  const std::uint8_t type = Tables(db).programsShow[At(slot)].service_type;
  StoreProgram(db, slot, program);
  Tables(db).programsShow[At(slot)].service_type = type;
  return true;
}

// The box reads service type 3 ("other") under its limit 2 as 1; the show
// form keeps the type as given, since the counters of the header follow it.
void KeepServiceType(BoxDatabase& db, Slot slot, std::uint8_t type) {
  Tables(db).programsShow[At(slot)].service_type = type;
}

bool SetProgramField(BoxDatabase& db, Slot slot, std::size_t field, std::int64_t value) {
  return EditProgram(db, slot, [field, value](MutableByteSpan bytes) {
    return EncodeBitField(bytes, kProgramFields[field], value);
  });
}

// The links of a slot in both forms.
void SetPrevProgram(BoxDatabase& db, Slot slot, Slot prev) {
  if (!IsProgramSlot(slot)) return;
  Tables(db).programsShow[At(slot)].prev_program = prev;
  PutLe16(Tables(db).programs[At(slot)].bytes, kProgramPrevOffset, static_cast<std::uint16_t>(prev));
}
void SetNextProgram(BoxDatabase& db, Slot slot, Slot next) {
  if (!IsProgramSlot(slot)) return;
  Tables(db).programsShow[At(slot)].next_program = next;
  PutLe16(Tables(db).programs[At(slot)].bytes, kProgramNextOffset, static_cast<std::uint16_t>(next));
}

// A group's member count (bits 31..16 of its word) in both forms.
template <typename Record, typename GroupShow>
void SetGroupCount(Record& record, GroupShow& show, int count) {
  show.count = static_cast<std::int16_t>(count);
  EncodeBitField(record.bytes, kGroupFields[group_bits::kCount], static_cast<std::uint16_t>(count));
}

void Unlink(BoxDatabase& db, Slot slot) {
  auto& h = Tables(db).programHeader;
  const Slot prev = Tables(db).programsShow[At(slot)].prev_program;
  const Slot next = Tables(db).programsShow[At(slot)].next_program;
  if (slot == h.first_program) {
    h.first_program = next;
    SetPrevProgram(db, next, kNoSlot);
  } else if (slot == h.last_program) {
    h.last_program = prev;
    SetNextProgram(db, prev, kNoSlot);
  } else {
    SetNextProgram(db, prev, next);
    SetPrevProgram(db, next, prev);
  }
}

void CountOffGroups(BoxDatabase& db, const PROGRAM_INFO_SHOW_T& program) {
  const int provider = program.provider_index;
  if (ProviderGroupCount(db, provider) > 0) {
    const auto p = static_cast<std::size_t>(provider);
    const int count = Tables(db).providerGroupsShow[p].count - 1;
    SetGroupCount(Tables(db).providerGroups[p], Tables(db).providerGroupsShow[p], count);
    if (count == 0) ResetProviderGroup(db, provider);
  }
  const std::size_t caCount = std::min<std::size_t>(program.ca_count, kProgramCaIdCount);
  for (std::size_t k = 0; k < caCount; ++k) {
    const int group = FindCasGroup(db, program.ca_ids[k]);
    if (CasGroupCount(db, group) > 0) {
      const auto c = static_cast<std::size_t>(group);
      SetGroupCount(Tables(db).casGroups[c], Tables(db).casGroupsShow[c],
                    Tables(db).casGroupsShow[c].count - 1);
    }
  }
}

}  // namespace

std::string_view ProgramTypeName(int type) {
  switch (type) {
    case 0:
      return "TV";
    case 1:
      return "Radio";
    case 2:
      return "Data";
    default:
      return "Other";
  }
}

int ProgramCount(const BoxDatabase& db) {
  return Tables(db).programHeader.program_count;
}
Slot FirstProgram(const BoxDatabase& db) {
  return Tables(db).programHeader.first_program;
}
Slot LastProgram(const BoxDatabase& db) {
  return Tables(db).programHeader.last_program;
}
bool IsFirstProgram(const BoxDatabase& db, Slot slot) {
  return slot == Tables(db).programHeader.first_program;
}
bool IsLastProgram(const BoxDatabase& db, Slot slot) {
  return slot == Tables(db).programHeader.last_program;
}

void SetProgramEnds(BoxDatabase& db, Slot first, Slot last) {
  Tables(db).programHeader.first_program = first;
  Tables(db).programHeader.last_program = last;
}

void CountProgramChange(BoxDatabase& db, std::uint8_t type, EditMode mode) {
  int step = 0;
  if (mode == EditMode::Adding) step = 1;
  if (mode == EditMode::Deleting) step = -1;
  if (step == 0) return;
  auto bump = [step](std::int16_t& counter) { counter = static_cast<std::int16_t>(counter + step); };
  auto& h = Tables(db).programHeader;
  bump(h.program_count);
  if (type == 0) bump(h.tv_count);
  if (type == 1) bump(h.radio_count);
  if (type == 2) bump(h.data_count);
}

int CountProgramsOnTp(const BoxDatabase& db, int tp) {
  // Free slots do not count: decoded from an image they read tp_index 1023.
  return static_cast<int>(std::count_if(Tables(db).programsShow.begin(), Tables(db).programsShow.end(),
                                        [tp](const Show& p) { return p.used == 1 && p.tp_index == tp; }));
}

bool IsProgramUsed(const BoxDatabase& db, Slot slot) {
  return GetField(db, slot, &Show::used, 0) == 1;
}
bool SetProgramUsed(BoxDatabase& db, Slot slot) {
  return SetProgramField(db, slot, f::kUsed, 1);
}
int ProgramTpIndex(const BoxDatabase& db, Slot slot) {
  return GetField(db, slot, &Show::tp_index, -1);
}
bool SetProgramTpIndex(BoxDatabase& db, Slot slot, std::int16_t tp) {
  return SetProgramField(db, slot, f::kTpIndex, tp);
}
int ProgramServiceType(const BoxDatabase& db, Slot slot) {
  return GetField(db, slot, &Show::service_type, 0);
}
bool SetProgramServiceType(BoxDatabase& db, Slot slot, std::uint8_t type) {
  if (!SetProgramField(db, slot, f::kServiceType, type)) return false;
  KeepServiceType(db, slot, type);
  return true;
}
int ProgramTpSource(const BoxDatabase& db, Slot slot) {
  return GetField(db, slot, &Show::tp_source, 0);
}
bool SetProgramTpSource(BoxDatabase& db, Slot slot, std::uint8_t source) {
  return SetProgramField(db, slot, f::kTpSource, source);
}
int ProgramCaCount(const BoxDatabase& db, Slot slot) {
  return GetField(db, slot, &Show::ca_count, 0);
}
bool SetProgramCaIds(BoxDatabase& db, Slot slot, std::span<const std::uint16_t> ids) {
  if (ids.size() > kProgramCaIdCount) return false;
  return EditProgram(db, slot, [ids](MutableByteSpan bytes) {
    for (std::size_t k = 0; k < ids.size(); ++k) PutLe16(bytes, kProgramCaIdsOffset + 2 * k, ids[k]);
    return EncodeBitField(bytes, kProgramFields[f::kCaCount], static_cast<std::int64_t>(ids.size()));
  });
}
int ProgramCaId(const BoxDatabase& db, Slot slot, int k) {
  const auto* p = ShowOf(db, slot);
  if (p == nullptr || k < 0 || static_cast<std::size_t>(k) >= kProgramCaIdCount) return 0;
  return p->ca_ids[static_cast<std::size_t>(k)];
}
bool SetProgramCaId(BoxDatabase& db, Slot slot, int k, std::uint16_t id) {
  if (k < 0 || static_cast<std::size_t>(k) >= kProgramCaIdCount) return false;
  return EditProgram(db, slot, [k, id](MutableByteSpan bytes) {
    PutLe16(bytes, kProgramCaIdsOffset + 2 * static_cast<std::size_t>(k), id);
    return true;
  });
}
int ProgramProviderIndex(const BoxDatabase& db, Slot slot) {
  return GetField(db, slot, &Show::provider_index, 0);
}
bool SetProgramProviderIndex(BoxDatabase& db, Slot slot, std::int16_t index) {
  return SetProgramField(db, slot, f::kProviderIndex, index);
}
bool SetProgramSatIndex(BoxDatabase& db, Slot slot, std::uint8_t sat) {
  return SetProgramField(db, slot, f::kSatIndex, sat);
}
bool SetProgramScrambled(BoxDatabase& db, Slot slot, std::uint8_t scrambled) {
  return SetProgramField(db, slot, f::kScrambled, scrambled);
}
bool SetProgramFlag2(BoxDatabase& db, Slot slot, std::uint8_t flag) {
  return SetProgramField(db, slot, f::kFlag2, flag);
}
bool SetProgramFlag3(BoxDatabase& db, Slot slot, std::uint8_t flag) {
  return SetProgramField(db, slot, f::kFlag3, flag);
}
bool SetProgramParam2(BoxDatabase& db, Slot slot, std::uint8_t value) {
  return SetProgramField(db, slot, f::kParam2, value);
}
bool SetProgramPid2Type(BoxDatabase& db, Slot slot, std::uint8_t type) {
  return SetProgramField(db, slot, f::kPid2Type, type);
}
bool SetProgramName(BoxDatabase& db, Slot slot, std::string_view name) {
  return EditProgram(db, slot, [name](MutableByteSpan bytes) {
    PutAreaText(bytes.subspan(kProgramNameOffset, kProgramNameSize), name.substr(0, kProgramNameSize));
    return true;
  });
}
bool SetProgramPidText(BoxDatabase& db, Slot slot, int pid, std::string_view text) {
  static constexpr std::array kPidFields{f::kPid1, f::kPid2, f::kPid3, f::kPid4};
  if (pid < 1 || pid > 4) return false;
  const std::int64_t value = StrToInt(TrimBlanks(text));
  if (value < 0) return false;  // -1 would pass as "all ones"
  return SetProgramField(db, slot, kPidFields[static_cast<std::size_t>(pid - 1)], value);
}
bool SetProgramServiceIdText(BoxDatabase& db, Slot slot, std::string_view text) {
  const std::string_view digits = text.size() > 2 ? text.substr(2, 2) : std::string_view();
  return SetProgramField(db, slot, f::kServiceId, RadixStrToInt(digits, 16, 255));
}

bool FillProgramSlot(BoxDatabase& db, Slot slot, const PROGRAM_INFO_SHOW_T& r) {
  if (!IsProgramSlot(slot)) return false;
  const auto program = BuildProgramRecord(r);
  if (!program) return false;
  StoreProgram(db, slot, *program);
  KeepServiceType(db, slot, r.service_type);
  return true;
}

Slot AddProgram(BoxDatabase& db, const PROGRAM_INFO_SHOW_T& record) {
  auto& h = Tables(db).programHeader;
  if (h.program_count >= static_cast<int>(kProgramCapacity) ||
      CountProgramsOnTp(db, record.tp_index) >= kMaxProgramsPerTp ||
      record.service_type == kServiceTypeData) {
    return kNoSlot;
  }
  const auto freeSlot = std::find_if(Tables(db).programsShow.begin(), Tables(db).programsShow.end(),
                                     [](const PROGRAM_INFO_SHOW_T& p) { return p.used != 1; });
  if (freeSlot == Tables(db).programsShow.end()) return kNoSlot;
  const auto slot = static_cast<Slot>(freeSlot - Tables(db).programsShow.begin());

  PROGRAM_INFO_SHOW_T linked = record;
  linked.prev_program = h.program_count == 0 ? kNoSlot : h.last_program;
  linked.next_program = kNoSlot;
  if (!BuildProgramRecord(linked)) return kNoSlot;  // a value that would spill into its neighbours

  if (h.program_count == 0) {
    SetProgramEnds(db, slot, slot);
  } else {
    SetNextProgram(db, h.last_program, slot);
    h.last_program = slot;
  }
  CountProgramChange(db, record.service_type, EditMode::Adding);
  FillProgramSlot(db, slot, linked);
  return slot;
}

void DeleteProgram(BoxDatabase& db, Slot slot) {
  if (!IsProgramUsed(db, slot)) return;
  const PROGRAM_INFO_SHOW_T program = Tables(db).programsShow[At(slot)];
  CountProgramChange(db, program.service_type, EditMode::Deleting);
  Unlink(db, slot);
  for (int g = 0; g < static_cast<int>(kFavGroupCapacity); ++g) RemoveFromFavGroup(db, g, slot);
  CountOffGroups(db, program);
  ClearProgramRefs(db, slot);
  ResetProgramSlot(db, slot);
}

void DeleteProgramsOfTp(BoxDatabase& db, int tp) {
  std::fill(Tables(db).programMarks.begin(), Tables(db).programMarks.end(), std::uint8_t{0});
  for (std::size_t s = 0; s < kProgramCapacity; ++s) {
    const auto& p = Tables(db).programsShow[s];
    if (p.tp_index == tp && p.tp_source == kTpSourceSatellite) Tables(db).programMarks[s] = 1;
  }
  for (std::size_t s = 0; s < kProgramCapacity; ++s) {
    if (Tables(db).programMarks[s] == 1) DeleteProgram(db, static_cast<Slot>(s));
  }
}

void RemoveFromFavGroup(BoxDatabase& db, int group, Slot slot) {
  if (group < 0 || static_cast<std::size_t>(group) >= kFavGroupCapacity) return;
  auto& show = Tables(db).favGroupsShow[static_cast<std::size_t>(group)];
  MutableByteSpan bytes(Tables(db).favGroups[static_cast<std::size_t>(group)].bytes);
  const auto count = static_cast<std::size_t>(std::clamp<int>(show.count, 0, kFavGroupMembers));
  const auto members = std::span(show.programs).first(count);
  const auto found = std::find(members.begin(), members.end(), slot);
  if (found == members.end()) return;
  auto setMember = [&](std::size_t j, std::int16_t value) {
    show.programs[j] = value;
    PutLe16(bytes, kFavProgramsOffset + 2 * j, static_cast<std::uint16_t>(value));
  };
  for (auto j = static_cast<std::size_t>(found - members.begin()); j + 1 < count; ++j) {
    setMember(j, show.programs[j + 1]);
  }
  setMember(count - 1, kNoSlot);
  show.count = static_cast<std::int16_t>(count - 1);
  PutLe16(bytes, kFavCountOffset, static_cast<std::uint16_t>(show.count));
}

int FavGroupCount(const BoxDatabase& db, int group) {
  if (group < 0 || static_cast<std::size_t>(group) >= kFavGroupCapacity) return 0;
  return Tables(db).favGroupsShow[static_cast<std::size_t>(group)].count;
}

int ProviderGroupCount(const BoxDatabase& db, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kProviderGroupCapacity) return 0;
  return Tables(db).providerGroupsShow[static_cast<std::size_t>(index)].count;
}

int FindCasGroup(const BoxDatabase& db, int key) {
  for (std::size_t c = 0; c < kCasGroupCapacity; ++c) {
    if (Tables(db).casGroupsShow[c].key == key) return static_cast<int>(c);
  }
  return kNoCasGroup;
}

int CasGroupCount(const BoxDatabase& db, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kCasGroupCapacity) return 0;
  return Tables(db).casGroupsShow[static_cast<std::size_t>(index)].count;
}

std::vector<Slot> ProgramListOrder(const BoxDatabase& db) {
  std::vector<Slot> order;
  std::vector<bool> seen(kProgramCapacity);
  for (Slot s = Tables(db).programHeader.first_program; IsProgramSlot(s) && !seen[At(s)];
       s = Tables(db).programsShow[At(s)].next_program) {
    seen[At(s)] = true;
    order.push_back(s);
  }
  return order;
}

}  // namespace tuneflash
