// SatcoDX import.
#include "satcodx/satcodx_import.h"

#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "dld/file_io.h"

namespace tuneflash {
namespace {

constexpr int kTpRoom = 1999;
constexpr int kProgramRoom = 3999;

}  // namespace

bool DatabaseHasRoom(const BoxDatabase& db) {
  return GetTpCount(db) < kTpRoom && ProgramCount(db) < kProgramRoom;
}

bool ImportSatcoDxFiles(const std::filesystem::path& workFile,
                        const std::vector<std::filesystem::path>& lists, SatcoDxSession& session) {
  RunObserver& observer = session.observer;
  BoxDatabase& db = session.db;
  bool imported = false;
  if (!DldToDatabase(workFile, db, session.conversion)) return false;

  const auto pump = [&observer] { observer.Pump(); };
  for (const auto& list : lists) {
    observer.Pump();
    const Bytes file = ReadWholeFile(list);
    SatcoDxReader& reader = session.reader;
    reader.ClearSatcoDxRecord();
    reader.LoadLine(file, 0);
    const SatcoDxPosition position = ParseSatcoDxPosition(reader.line());
    const Slot sat = FindSatelliteByPos(db, position.longitude);
    if (sat < 0) {
      observer.ShowStatus("Name: " + position.sat_name + "[ " + position.longitude_text + " ] not existing!");
      continue;
    }
    DeleteSatTps(db, sat);
    const bool complete = reader.ReadSatcoDxFile(
        file, [&db] { return DatabaseHasRoom(db); },
        [&](const SATCODX_INFO_SHOW_T& line) { session.merger.MergeSatcoDxRecord(db, line, pump); }, pump);
    if (!complete) {
      // Nothing is saved, so nothing merged may be reported as imported: the
      // download would otherwise send the box its old list as a success.
      observer.ShowStatus(kDbaseIsFull);
      return false;
    }
    imported = true;
  }
  observer.ShowStatus(kFileSaving);
  observer.Pump();
  if (imported) {
    session.conversion.LayoutKind = kLayoutDataSet;
    DatabaseToDld(workFile, db, session.conversion);
  }
  return imported;
}

}  // namespace tuneflash
