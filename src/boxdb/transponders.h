// The satellite and terrestrial transponder tables: reset, their parts of the
// database image, and for satellite transponders the counts (in all and per
// satellite), finding, adding and deleting with dense numbering 1..n per
// satellite. Terrestrial transponders are only reset, read and written back.
//
// Per-slot accessors do nothing (getters return the value named beside them)
// for a slot outside the table.
#pragma once

#include <string>
#include <string_view>

#include "boxdb/box_database.h"
#include "dld/bytes.h"

namespace tuneflash {

// A satellite has at most this many transponders, the largest tp_number the
// decoder accepts.
inline constexpr int kMaxTpsPerSatellite = 150;

// Reset.
void ResetTp(BoxDatabase& db, Slot slot);
void ResetAllTps(BoxDatabase& db);
void ResetTerTp(BoxDatabase& db, Slot slot);
void ResetAllTerTps(BoxDatabase& db);

// Image parts. `image` must hold kDatabaseImageSize bytes (else std::invalid_argument).
void ReadTpPart(BoxDatabase& db, ByteSpan image);
void WriteTpPart(const BoxDatabase& db, MutableByteSpan image);
void ReadTerTpPart(BoxDatabase& db, ByteSpan image);
void WriteTerTpPart(const BoxDatabase& db, MutableByteSpan image);

// Show forms decoded from box forms.
SAT_TRANSPONDER_INFO_SHOW_T DecodeSatTp(const SAT_TRANSPONDER_INFO_T& tp);
TER_TRANSPONDER_INFO_SHOW_T DecodeTerTp(const TER_TRANSPONDER_INFO_T& tp);

// Queries.
int GetTpCount(const BoxDatabase& db);
int GetSatTpCount(const BoxDatabase& db, int sat);              // 0 outside 0..63
bool IsTpUsed(const BoxDatabase& db, Slot slot);                // false
int GetTpSatIndex(const BoxDatabase& db, Slot slot);            // -1
int GetTpNumber(const BoxDatabase& db, Slot slot);              // -1
int GetTpPolarity(const BoxDatabase& db, Slot slot);            // 0
int GetTpFec(const BoxDatabase& db, Slot slot);                 // 0
std::string GetTpFrequency(const BoxDatabase& db, Slot slot);   // trimmed; empty
std::string GetTpSymbolRate(const BoxDatabase& db, Slot slot);  // trimmed; empty

// Setters of one field. Each writes the box form and decodes the show form
// from it, so the two never disagree; false, and nothing changed, for a slot
// outside the table or a value that does not fit its field. Frequency and
// symbol rate convert their texts by the standard conversion (ConversionError).
bool SetTpUsed(BoxDatabase& db, Slot slot);
bool SetTpSatIndex(BoxDatabase& db, Slot slot, std::uint8_t sat);
bool SetTpFrequency(BoxDatabase& db, Slot slot, std::string_view text);
bool SetTpSymbolRate(BoxDatabase& db, Slot slot, std::string_view text);
bool SetTpPolarity(BoxDatabase& db, Slot slot, std::uint8_t code);
bool SetTpFec(BoxDatabase& db, Slot slot, std::uint8_t code);

// tp_count, or tp_per_satellite of `sat`, + 1 in Adding and - 1 in Deleting.
void CountTp(BoxDatabase& db, EditMode mode);
void CountSatTp(BoxDatabase& db, int sat, EditMode mode);

// The lowest free slot, or -1.
Slot FindFreeTpSlot(const BoxDatabase& db);

// The first transponder in use with these satellite, polarisation and FEC
// codes and these frequency and symbol-rate texts (blanks removed, compared
// character for character). True with `slot` set when found, else false with
// `slot` unchanged.
bool FindTp(const BoxDatabase& db, int sat, int polarisation, int fec, std::string_view frequencyText,
            std::string_view symbolRateText, Slot& slot);

// Puts `record` into `slot`: the box form is built, the show form decoded from
// it. In Adding the slot is taken whole (used, satellite, number, codes);
// otherwise only polarisation, FEC, frequency and symbol rate change. Frequency and symbol rate come from the
// texts by the standard conversion (ConversionError). False, and nothing
// changed, when a value does not fit its field (a frequency above 16383, a
// symbol rate above 65535, ...).
bool WriteTp(BoxDatabase& db, Slot slot, const SAT_TRANSPONDER_INFO_SHOW_T& record, EditMode mode);

// Adds `record` in the lowest free slot and counts
// it. `slot` receives the slot, or keeps its value when the add is refused:
// the table is full, the satellite is not 0..63 or already has 150
// transponders, or a value does not fit its field. Returns whether it added.
bool AddTp(BoxDatabase& db, const SAT_TRANSPONDER_INFO_SHOW_T& record, Slot& slot);

// Lowers the transponder number of `slot` by one, both forms.
void DecrementTpNumber(BoxDatabase& db, Slot slot);

// Deletes a transponder in use with its programs and renumbers the later
// transponders of its satellite. A slot not in use is ignored.
void DeleteTp(BoxDatabase& db, Slot slot);

// Deletes every transponder of satellite `sat`.
void ClearTpMarks(BoxDatabase& db);
void MarkSatTps(BoxDatabase& db, int sat);
void DeleteMarkedTps(BoxDatabase& db);
void DeleteSatTps(BoxDatabase& db, int sat);

}  // namespace tuneflash
