// A Data file whose channel database holds the box's full 4,000 programs.
#pragma once

#include <filesystem>

#include "boxdb/programs.h"
#include "dld/file_io.h"
#include "satcodx/sample_database.h"

namespace tuneflash::bench {

inline std::unique_ptr<BoxDatabase> LargeDatabase() {
  auto db = SampleDatabase(DefaultSampleSatellites());
  for (int tp = 0; ProgramCount(*db) < static_cast<int>(kProgramCapacity); ++tp) {
    const int programs = std::min(100, static_cast<int>(kProgramCapacity) - ProgramCount(*db));
    AddSampleTransponder(*db, static_cast<std::uint8_t>(tp % 4), 11000 + tp, programs, 100 * tp);
  }
  return db;
}

inline std::filesystem::path WriteLargeDataFile(const std::filesystem::path& dir) {
  const auto path = dir / "large.dld";
  WriteFileAtomically(path, SampleDataFile(*LargeDatabase(), 2, SampleIdentity()));
  return path;
}

}  // namespace tuneflash::bench
