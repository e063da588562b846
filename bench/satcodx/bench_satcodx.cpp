// The offline SatcoDX merge of the largest real list (1108 lines) into a Data
// download file, and the two conversions alone.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "dld/file_io.h"
#include "satcodx/sample_database.h"
#include "satcodx/satcodx_import.h"

using namespace tuneflash;
using Clock = std::chrono::steady_clock;

namespace {

class Quiet : public RunObserver {
 public:
  void SetRunControlsEnabled(bool) override {}
  void Pump() override {}
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
  char pattern[] = "/tmp/tuneflash-bench-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return 1;
  const std::filesystem::path dir = pattern;
  const auto list =
      std::filesystem::path(TUNEFLASH_SATCODX_TESTDATA) / "astra192e_v103_chansort_silva_schneider.sdx";
  const Bytes source = SampleDataFile(*SampleDatabase(DefaultSampleSatellites()), 2, SampleIdentity());
  const auto work = dir / kSatcoDxWorkFileName;

  const int rounds = 10;
  double mergeBest = 1e9;
  double convertBest = 1e9;
  Quiet quiet;
  for (int r = 0; r < rounds; ++r) {
    WriteFileAtomically(work, source);
    auto db = std::make_unique<BoxDatabase>();
    ConversionState state;
    state.workDirectory = dir;
    SatcoDxSession session{*db, state, quiet, {}, {}};
    const auto a = Clock::now();
    if (!ImportSatcoDxFiles(work, {list}, session)) return 1;
    const auto b = Clock::now();
    mergeBest = std::min(mergeBest, Ms(b - a));

    const auto c = Clock::now();
    if (!DldToDatabase(work, *db, state)) return 1;
    DatabaseToDld(work, *db, state);
    convertBest = std::min(convertBest, Ms(Clock::now() - c));
  }
  std::printf("offline merge of 1108 lines into a Data file (convert, merge, write): %.1f ms (best of %d)\n",
              mergeBest, rounds);
  std::printf("DldToDatabase + DatabaseToDld alone: %.1f ms (best of %d)\n", convertBest, rounds);
  std::filesystem::remove_all(dir);
  return 0;
}
