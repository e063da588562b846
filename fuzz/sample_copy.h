// The sample channel database, built once per fuzz run; each input works on
// a copy of it.
#pragma once

#include <memory>

#include "satcodx/sample_database.h"

namespace tuneflash {

inline std::unique_ptr<BoxDatabase> SampleCopy() {
  static const std::unique_ptr<BoxDatabase> sample = SampleDatabase(DefaultSampleSatellites());
  return std::make_unique<BoxDatabase>(*sample);
}

}  // namespace tuneflash
