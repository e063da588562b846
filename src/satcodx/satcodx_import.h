// Importing SatcoDX lists into the channel database of a Data download file:
// convert the file to tables, replace each list's satellite with the list's
// transponders and programs, and write the new download file over it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "boxdb/box_database.h"
#include "run/run_observer.h"
#include "satcodx/database_conversion.h"
#include "satcodx/satcodx_merge.h"
#include "satcodx/satcodx_reader.h"
#include "satcodx/satcodx_report.h"

namespace tuneflash {

// Everything one import works on; the program owns one and keeps it between
// runs (the staging records outlive a run).
struct SatcoDxSession {
  BoxDatabase& db;
  ConversionState& conversion;
  RunObserver& observer;
  SatcoDxReader reader;
  SatcoDxMerger merger;
  // One report per list of the last import, in order; each also goes to the
  // observer's log as SatcoDxReportLine.
  std::vector<SatcoDxListReport> reports{};
};

// Room for one more line: fewer than 1999 satellite transponders and fewer
// than 3999 programs in use.
bool DatabaseHasRoom(const BoxDatabase& db);

// The work download file of a SatcoDX run, in the work directory.
inline constexpr const char* kSatcoDxWorkFileName = "SatcoDX_FileName.dld";

// The texts of the import.
inline constexpr const char* kDbaseIsFull = "Dbase is full!";
inline constexpr const char* kFileSaving = "File saving, please wait...";

// Converts `workFile` to tables, imports `lists` in order and, when at least
// one list was merged, writes the new download file over `workFile`. Returns
// whether a list was merged and saved. A list whose satellite (line 0) is not
// in the table shows "Name: <name>[ <position> ] not existing!" and is skipped;
// a full database shows "Dbase is full!" and ends the import without saving
// (false, even when an earlier list was merged).
// SatcoDxFormatError (a list not made of records, a numeric column that does
// not convert) and FileError (a list that cannot be read) propagate and
// nothing is saved; so do the errors of DatabaseToDld.
bool ImportSatcoDxFiles(const std::filesystem::path& workFile,
                        const std::vector<std::filesystem::path>& lists, SatcoDxSession& session);

}  // namespace tuneflash
