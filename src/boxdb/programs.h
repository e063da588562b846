// The program table: its doubly linked list and header counters, the
// favourite, provider and CA system groups that refer to programs, adding
// and deleting programs, and the program part of the database image.
//
// Slots are signed 16-bit numbers. Every per-slot accessor does nothing (a
// getter returns the value named beside it) for a slot outside the table,
// negative or not, so links read from a box can never index outside it.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "boxdb/box_database.h"
#include "dld/bytes.h"

namespace tuneflash {

inline constexpr int kMaxProgramsPerTp = 120;  // an add is refused when a transponder already has this many
inline constexpr std::uint8_t kServiceTypeData = 2;
inline constexpr std::uint8_t kTpSourceSatellite = 1;
inline constexpr int kNoCasGroup = 255;

// Header and counters.
int ProgramCount(const BoxDatabase& db);
Slot FirstProgram(const BoxDatabase& db);
Slot LastProgram(const BoxDatabase& db);
bool IsFirstProgram(const BoxDatabase& db, Slot slot);
bool IsLastProgram(const BoxDatabase& db, Slot slot);
void SetProgramEnds(BoxDatabase& db, Slot first, Slot last);
// In Adding: program_count + 1 and the count of `type` (0 TV, 1 radio,
// 2 data) + 1; in Deleting the same with - 1; types above 2 change only
// program_count; Idle changes nothing.
void CountProgramChange(BoxDatabase& db, std::uint8_t type, EditMode mode);
// Number of programs in use whose show-form tp_index is `tp`.
int CountProgramsOnTp(const BoxDatabase& db, int tp);

// Fields of one slot. Each setter writes the box form and decodes the show
// form from it, so the two never disagree; false, and nothing changed, for a
// slot outside the table or a value that does not fit its field.
bool IsProgramUsed(const BoxDatabase& db, Slot slot);  // false
bool SetProgramUsed(BoxDatabase& db, Slot slot);
int ProgramTpIndex(const BoxDatabase& db, Slot slot);  // -1
bool SetProgramTpIndex(BoxDatabase& db, Slot slot, std::int16_t tp);
int ProgramServiceType(const BoxDatabase& db, Slot slot);  // 0
bool SetProgramServiceType(BoxDatabase& db, Slot slot, std::uint8_t type);
int ProgramTpSource(const BoxDatabase& db, Slot slot);  // 0
bool SetProgramTpSource(BoxDatabase& db, Slot slot, std::uint8_t source);
int ProgramCaCount(const BoxDatabase& db, Slot slot);  // 0
// ca_count = ids.size() and the first ids.size() entries of ca_ids = ids;
// refused for more than four ids.
bool SetProgramCaIds(BoxDatabase& db, Slot slot, std::span<const std::uint16_t> ids);
int ProgramCaId(const BoxDatabase& db, Slot slot, int k);  // 0
bool SetProgramCaId(BoxDatabase& db, Slot slot, int k, std::uint16_t id);
int ProgramProviderIndex(const BoxDatabase& db, Slot slot);  // 0
bool SetProgramProviderIndex(BoxDatabase& db, Slot slot, std::int16_t index);
bool SetProgramSatIndex(BoxDatabase& db, Slot slot, std::uint8_t sat);
bool SetProgramScrambled(BoxDatabase& db, Slot slot, std::uint8_t scrambled);
bool SetProgramFlag2(BoxDatabase& db, Slot slot, std::uint8_t flag);
bool SetProgramFlag3(BoxDatabase& db, Slot slot, std::uint8_t flag);
bool SetProgramParam2(BoxDatabase& db, Slot slot, std::uint8_t value);
bool SetProgramPid2Type(BoxDatabase& db, Slot slot, std::uint8_t type);
// The name as stored: at most the 16 bytes of the box form's name area.
bool SetProgramName(BoxDatabase& db, Slot slot, std::string_view name);
// PID n (1 to 4) from its text, leading and trailing blanks removed, by the
// standard conversion (ConversionError for a text that is not a number).
bool SetProgramPidText(BoxDatabase& db, Slot slot, int pid, std::string_view text);
// service_id = characters 3 and 4 of `text` read as hexadecimal (limit 255).
bool SetProgramServiceIdText(BoxDatabase& db, Slot slot, std::string_view text);

// The box form of a new program described by `record`: links, W1..W5 by the
// encoding rule (language letters in the order the decoder reads them), CA
// ids, and the name cut to 16 bytes. PIDs come from their texts by the
// standard conversion (ConversionError for a text that is not a number).
// Empty when a value does not fit its field (a PID above 8191, ca_count
// above 4, a negative index other than -1, ...).
std::optional<PROGRAM_INFO_T> BuildProgramRecord(const PROGRAM_INFO_SHOW_T& record);

// Fills `slot` with the program `record` describes: the box form from
// BuildProgramRecord, the show form decoded from it. False, and nothing
// changed, when the record does not fit.
bool FillProgramSlot(BoxDatabase& db, Slot slot, const PROGRAM_INFO_SHOW_T& record);

// Adds the program `record` describes at the end of the list and counts it. Returns its slot, or -1 when
// refused: the table is full, its transponder already carries 120 programs, it is a data service, or a value
// does not fit its field. A refused add changes nothing.
Slot AddProgram(BoxDatabase& db, const PROGRAM_INFO_SHOW_T& record);

// Deletes one program: unlinks it, counts it off, removes it from the
// favourite groups, counts it off its provider group (freed at 0) and CA
// groups, clears the system block references naming it and frees the slot.
// A slot outside the table or not in use is ignored.
void DeleteProgram(BoxDatabase& db, Slot slot);

// Deletes, in ascending slot order, every program whose tp_index is `tp` and
// whose tp_source is 1.
void DeleteProgramsOfTp(BoxDatabase& db, int tp);

// Removes `slot` from favourite group `group`, moving later members down.
void RemoveFromFavGroup(BoxDatabase& db, int group, Slot slot);

// A whole group as the box files programs into it: the box form `group`,
// the show form decoded from it. Ignored for an index outside the table.
void StoreFavGroup(BoxDatabase& db, int index, const FAV_GROGUP_INFO_T& group);
void StoreProviderGroup(BoxDatabase& db, int index, const PROVIDER_GROGUP_INFO_T& group);
void StoreCasGroup(BoxDatabase& db, int index, const CAS_GROGUP_INFO_T& group);

int FavGroupCount(const BoxDatabase& db, int group);       // 0 outside 0..7
int ProviderGroupCount(const BoxDatabase& db, int index);  // 0 outside 0..399
int FindCasGroup(const BoxDatabase& db, int key);          // first group with `key`, else 255
int CasGroupCount(const BoxDatabase& db, int index);       // 0 outside 0..99

// The programs in list order, following next_program from first_program. The
// walk stops at -1, at a link outside the table and at a slot already visited,
// so a looping or broken list read from a box still ends.
std::vector<Slot> ProgramListOrder(const BoxDatabase& db);

// Free state of the program part: header -1, -1, 0, 0, 0, 0; groups and
// programs free in both forms.
void ResetProgramPart(BoxDatabase& db);
void ResetProgramSlot(BoxDatabase& db, Slot slot);
void ResetProviderGroup(BoxDatabase& db, int index);

// The program part of the database image (header, favourite groups, provider
// groups, CA groups, programs). `image` must hold kDatabaseImageSize bytes
// (else std::invalid_argument).
void ReadProgramPart(BoxDatabase& db, ByteSpan image);
void WriteProgramPart(const BoxDatabase& db, MutableByteSpan image);

// "TV", "Radio", "Data" or "Other" for a service type.
std::string_view ProgramTypeName(int type);

// The show form of one program, decoded from its box form.
PROGRAM_INFO_SHOW_T DecodeProgram(const PROGRAM_INFO_T& program);

}  // namespace tuneflash
