// What a SatcoDX import did with each list: the counts, the one summary line
// the log shows, and the same as JSON for scripts.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tuneflash {

struct SatcoDxListReport {
  std::string list;       // the list's file name
  std::string satellite;  // "<name>[ <position> ]" from its first line
  bool satelliteFound = false;
  int linesRead = 0;
  int programsMerged = 0;
  int transpondersMerged = 0;
  int skippedDataService = 0;
  int skippedUnknownSatellite = 0;
  int skippedFull = 0;  // no room, including the lines not read once the database was full
  int skippedNotFitting = 0;

  int Skipped() const {
    return skippedDataService + skippedUnknownSatellite + skippedFull + skippedNotFitting;
  }
  bool operator==(const SatcoDxListReport&) const = default;
};

// "<list>: <satellite>: <n> lines read, <p> programs and <t> transponders
// merged, <s> lines skipped (<d> data service, <u> unknown satellite, <f>
// database full, <w> value too wide)"; the part in brackets only when lines
// were skipped, and " not in the database" after the satellite when it is not.
std::string SatcoDxReportLine(const SatcoDxListReport& report);

// {"lists": [{"list": ..., "satellite": ..., "satellite_found": ..., "lines_read": ...,
// "programs_merged": ..., "transponders_merged": ..., "skipped": {"data_service": ...,
// "unknown_satellite": ..., "database_full": ..., "value_too_wide": ...}}, ...]}
void WriteSatcoDxReportsJson(std::ostream& out, const std::vector<SatcoDxListReport>& reports);

}  // namespace tuneflash
