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

// The tables themselves. Only the database's operations (the program,
// transponder, satellite and system-sector functions of boxdb and the image
// codec) reach them, through boxdb/table_access.h; each of those writes the
// box form and the show form of a record together.
struct BoxTables {
  BoxTables();

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

// The database as the rest of the program sees it: every table readable,
// none writable. Changes go through the operations in boxdb (programs.h,
// transponders.h, satellites.h, system_sector.h, database_image.h), which
// keep the two forms of each record in step.
class BoxDatabase {
 public:
  BoxDatabase() = default;

  const std::vector<SATELLITE_INFO_T>& satellites() const { return t_.satellites; }
  const std::vector<SATELLITE_INFO_SHOW_T>& satellitesShow() const { return t_.satellitesShow; }

  const SAT_TP_LIST_HEADER_T& satTpHeader() const { return t_.satTpHeader; }
  const std::vector<SAT_TRANSPONDER_INFO_T>& satTps() const { return t_.satTps; }
  const std::vector<SAT_TRANSPONDER_INFO_SHOW_T>& satTpsShow() const { return t_.satTpsShow; }

  const TER_TP_LIST_HEADER_T& terTpHeader() const { return t_.terTpHeader; }
  const std::vector<TER_TRANSPONDER_INFO_T>& terTps() const { return t_.terTps; }
  const std::vector<TER_TRANSPONDER_INFO_SHOW_T>& terTpsShow() const { return t_.terTpsShow; }

  const PROGRAM_LIST_HEADER_T& programHeader() const { return t_.programHeader; }
  const std::vector<PROGRAM_INFO_T>& programs() const { return t_.programs; }
  const std::vector<PROGRAM_INFO_SHOW_T>& programsShow() const { return t_.programsShow; }

  const std::vector<FAV_GROGUP_INFO_T>& favGroups() const { return t_.favGroups; }
  const std::vector<FAV_GROGUP_INFO_SHOW_T>& favGroupsShow() const { return t_.favGroupsShow; }
  const std::vector<CAS_GROGUP_INFO_T>& casGroups() const { return t_.casGroups; }
  const std::vector<CAS_GROGUP_INFO_SHOW_T>& casGroupsShow() const { return t_.casGroupsShow; }
  const std::vector<PROVIDER_GROGUP_INFO_T>& providerGroups() const { return t_.providerGroups; }
  const std::vector<PROVIDER_GROGUP_INFO_SHOW_T>& providerGroupsShow() const { return t_.providerGroupsShow; }

  const std::array<std::uint8_t, kSectorHeaderSize>& sectorHeader() const { return t_.sectorHeader; }
  const std::array<std::uint8_t, kSecondHeaderSize>& secondHeader() const { return t_.secondHeader; }
  const SYSTEM_DATA_BASE_T& systemBlock() const { return t_.systemBlock; }
  const SYSTEM_DATA_BASE_SHOW_T& systemBlockShow() const { return t_.systemBlockShow; }
  bool systemBlockValid() const { return t_.systemBlockValid; }
  bool systemBlockChanged() const { return t_.systemBlockChanged; }

 private:
  friend struct TableAccess;
  BoxTables t_;
};

}  // namespace tuneflash
