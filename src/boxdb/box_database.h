// BoxDatabase: the receiver's channel database in memory, every table in its
// box form and its show form, the three list headers, the system sector's
// kept areas and the edit state. One object the program owns and passes by
// reference; a fresh object is zero-filled, as the box's tables are before
// anything is decoded.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "boxdb/box_records.h"
#include "boxdb/show_records.h"

namespace tuneflash {

// A slot number of a table; -1 (and any negative value) means none.
using Slot = std::int16_t;
inline constexpr Slot kNoSlot = -1;

// Which counter updates an operation makes: in Adding they add one, in
// Deleting they subtract one, when Idle they change nothing. Passed to each
// operation that counts; the database holds no mode of its own.
enum class EditMode : std::uint8_t { Idle = 0, Adding = 1, Deleting = 3 };

inline constexpr std::size_t kSectorHeaderSize = 80;
inline constexpr std::size_t kSecondHeaderSize = 20;  // second header area and its check value

struct BoxDatabase {
  BoxDatabase();

  std::vector<SATELLITE_INFO_T> satellites;
  std::vector<SATELLITE_INFO_SHOW_T> satellitesShow;

  SAT_TP_LIST_HEADER_T satTpHeader;
  std::vector<SAT_TRANSPONDER_INFO_T> satTps;
  std::vector<SAT_TRANSPONDER_INFO_SHOW_T> satTpsShow;

  TER_TP_LIST_HEADER_T terTpHeader;
  std::vector<TER_TRANSPONDER_INFO_T> terTps;
  std::vector<TER_TRANSPONDER_INFO_SHOW_T> terTpsShow;

  PROGRAM_LIST_HEADER_T programHeader;
  std::vector<PROGRAM_INFO_T> programs;
  std::vector<PROGRAM_INFO_SHOW_T> programsShow;

  std::vector<FAV_GROGUP_INFO_T> favGroups;
  std::vector<FAV_GROGUP_INFO_SHOW_T> favGroupsShow;
  std::vector<CAS_GROGUP_INFO_T> casGroups;
  std::vector<CAS_GROGUP_INFO_SHOW_T> casGroupsShow;
  std::vector<PROVIDER_GROGUP_INFO_T> providerGroups;
  std::vector<PROVIDER_GROGUP_INFO_SHOW_T> providerGroupsShow;

  // The system sector's areas that the tool keeps: its header area, the
  // second header area with its check value, and the system block.
  // systemBlockValid says whether the block came from a copy whose check
  // values were right; only then may the tool change it or write a new sector.
  std::array<std::uint8_t, kSectorHeaderSize> sectorHeader{};
  std::array<std::uint8_t, kSecondHeaderSize> secondHeader{};
  SYSTEM_DATA_BASE_T systemBlock;
  SYSTEM_DATA_BASE_SHOW_T systemBlockShow;
  bool systemBlockValid = false;
  // Set when deleting a program cleared a program reference of the system
  // block; the conversion back to a download file then writes a new sector.
  bool systemBlockChanged = false;

  // Deletion marks of the bulk deletions (1 = marked).
  std::vector<std::uint8_t> programMarks;
  std::vector<std::uint8_t> tpMarks;
};

}  // namespace tuneflash
