// SatcoDX import.
#include "satcodx/satcodx_import.h"

#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/transponders.h"
#include "dld/file_io.h"
#include "dld/int_text.h"

namespace tuneflash {
namespace {

constexpr int kTpRoom = 1999;
constexpr int kProgramRoom = 3999;

}  // namespace

bool DatabaseHasRoom(const BoxDatabase& db) {
  return GetTpCount(db) < kTpRoom && ProgramCount(db) < kProgramRoom;
}

namespace {

void Count(SatcoDxListReport& report, const SatcoDxLineResult& result) {
  report.transpondersMerged += result.transponderAdded ? 1 : 0;
  switch (result.outcome) {
    case SatcoDxLineOutcome::Merged:
      ++report.programsMerged;
      break;
    case SatcoDxLineOutcome::DataService:
      ++report.skippedDataService;
      break;
    case SatcoDxLineOutcome::UnknownSatellite:
      ++report.skippedUnknownSatellite;
      break;
    case SatcoDxLineOutcome::DatabaseFull:
      ++report.skippedFull;
      break;
    case SatcoDxLineOutcome::DoesNotFit:
      ++report.skippedNotFitting;
      break;
  }
}

// The list's satellite from its first record.
SatcoDxPosition ListPosition(SatcoDxReader& reader, ByteSpan file, const std::string& listName) {
  const auto records = SatcoDxRecords(file, listName);
  if (records.empty()) throw FormatError(listName, 1, 0, "the list holds no record");
  reader.ClearSatcoDxRecord();
  reader.LoadLine(file, records.front().offset, records.front().length);
  try {
    return ParseSatcoDxPosition(reader.line());
  } catch (const ConversionError& e) {
    throw FormatError(listName, 1, records.front().offset, e.what());
  }
}

}  // namespace

bool ImportSatcoDxFiles(const std::filesystem::path& workFile,
                        const std::vector<std::filesystem::path>& lists, SatcoDxSession& session) {
  RunObserver& observer = session.observer;
  BoxDatabase& db = session.db;
  session.reports.clear();
  bool imported = false;
  if (!DldToDatabase(workFile, db, session.conversion)) return false;

  const auto pump = [&observer] { observer.Pump(); };
  for (const auto& list : lists) {
    observer.Pump();
    const Bytes file = ReadWholeFile(list);
    const std::string listName = list.filename().string();
    SatcoDxReader& reader = session.reader;
    const SatcoDxPosition position = ListPosition(reader, file, listName);
    SatcoDxListReport& report = session.reports.emplace_back();
    report.list = listName;
    report.satellite = position.sat_name + "[ " + position.longitude_text + " ]";
    const Slot sat = FindSatelliteByPos(db, position.longitude);
    if (sat < 0) {
      observer.ShowStatus("Name: " + report.satellite + " not existing!");
      observer.AddLogLine(SatcoDxReportLine(report));
      continue;
    }
    report.satelliteFound = true;
    DeleteSatTps(db, sat);
    const bool complete = reader.ReadSatcoDxFile(
        file, [&db] { return DatabaseHasRoom(db); },
        [&](const SATCODX_INFO_SHOW_T& line) {
          ++report.linesRead;
          Count(report, session.merger.MergeSatcoDxRecord(db, line, pump));
        },
        pump, listName);
    if (!complete) {
      // Nothing is saved, so nothing merged may be reported as imported: the
      // download would otherwise send the box its old list as a success.
      report.skippedFull += static_cast<int>(SatcoDxRecords(file, listName).size()) - report.linesRead;
      observer.AddLogLine(SatcoDxReportLine(report));
      observer.ShowStatus(kDbaseIsFull);
      return false;
    }
    observer.AddLogLine(SatcoDxReportLine(report));
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
