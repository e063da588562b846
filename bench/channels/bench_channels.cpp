// Figures for the channel list's edits on 4,000 programs: export, and apply
// of a CSV that reorders every row and renames a tenth of them, the way
// `channels apply` does it (read, decode, plan, apply, encode and write).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "channels/channel_csv.h"
#include "channels/csv.h"
#include "large_list.h"
#include "satcodx/database_conversion.h"

namespace tuneflash {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string ReversedAndRenamed(const std::string& csv) {
  auto records = ParseCsv(csv);
  std::string out;
  AppendCsvRecord(out, records.front().fields);
  for (std::size_t i = records.size() - 1; i >= 1; --i) {
    auto fields = records[i].fields;
    fields[0].clear();  // no places: the rows' order
    if (i % 10 == 0) fields[2] = "Renamed " + std::to_string(i);
    AppendCsvRecord(out, fields);
  }
  return out;
}

}  // namespace
}  // namespace tuneflash

int main() {
  using namespace tuneflash;
  const auto dir =
      std::filesystem::temp_directory_path() / ("tuneflash-bench-channels-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto source = bench::WriteLargeDataFile(dir);

  auto db = std::make_unique<BoxDatabase>();
  ConversionState state;
  DldToDatabase(source, *db, state);
  auto start = Clock::now();
  const std::string csv = ExportChannelCsv(*db);
  std::printf("export of %d programs:        %7.1f ms\n", ProgramCount(*db), MsSince(start));
  const std::string edited = ReversedAndRenamed(csv);

  constexpr int kRounds = 5;
  double best = 1e9, bestPlan = 1e9;
  for (int r = 0; r < kRounds; ++r) {
    start = Clock::now();
    const Bytes file = ReadWholeFile(source);
    auto work = std::make_unique<BoxDatabase>();
    ConversionState conversion;
    DldBytesToDatabase(file, *work, conversion);
    const auto planStart = Clock::now();
    const ChannelPlan plan = PlanFromCsv(*work, edited);
    const EditSummary summary = ApplyPlan(*work, plan);
    bestPlan = std::min(bestPlan, MsSince(planStart));
    DatabaseToDld(dir / "applied.dld", *work, conversion);
    best = std::min(best, MsSince(start));
    if (r == 0) std::printf("apply: %s\n", SummaryText(summary).c_str());
  }
  std::printf("apply of a 4,000-row CSV:     %7.1f ms (best of %d; of it plan and apply %.1f ms)\n", best,
              kRounds, bestPlan);
  std::filesystem::remove_all(dir);
  return 0;
}
