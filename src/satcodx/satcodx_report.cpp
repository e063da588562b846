// SatcoDX import reports as text and JSON.
#include "satcodx/satcodx_report.h"

#include "satcodx/channel_listing.h"

namespace tuneflash {

std::string SatcoDxReportLine(const SatcoDxListReport& r) {
  std::string line = r.list + ": " + r.satellite;
  if (!r.satelliteFound) line += " not in the database";
  line += ": " + std::to_string(r.linesRead) + " lines read, " + std::to_string(r.programsMerged) +
          " programs and " + std::to_string(r.transpondersMerged) + " transponders merged, " +
          std::to_string(r.Skipped()) + " lines skipped";
  if (r.Skipped() > 0) {
    line += " (" + std::to_string(r.skippedDataService) + " data service, " +
            std::to_string(r.skippedUnknownSatellite) + " unknown satellite, " +
            std::to_string(r.skippedFull) + " database full, " + std::to_string(r.skippedNotFitting) +
            " value too wide)";
  }
  return line;
}

void WriteSatcoDxReportsJson(std::ostream& out, const std::vector<SatcoDxListReport>& reports) {
  out << "{\"lists\": [";
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const auto& r = reports[i];
    out << (i ? ",\n  " : "\n  ") << "{\"list\": " << JsonString(r.list)
        << ", \"satellite\": " << JsonString(r.satellite)
        << ", \"satellite_found\": " << (r.satelliteFound ? "true" : "false")
        << ", \"lines_read\": " << r.linesRead << ", \"programs_merged\": " << r.programsMerged
        << ", \"transponders_merged\": " << r.transpondersMerged
        << ", \"skipped\": {\"data_service\": " << r.skippedDataService
        << ", \"unknown_satellite\": " << r.skippedUnknownSatellite
        << ", \"database_full\": " << r.skippedFull << ", \"value_too_wide\": " << r.skippedNotFitting
        << "}}";
  }
  out << (reports.empty() ? "]}\n" : "\n]}\n");
}

}  // namespace tuneflash
