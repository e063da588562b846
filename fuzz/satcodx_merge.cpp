// Fuzz target: a SatcoDX list merged into the sample channel database. Any
// list either merges or is refused with a conversion or format error; the database
// afterwards encodes, and decodes to the tables it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "boxdb/database_image.h"
#include "dld/int_text.h"
#include "satcodx/sample_database.h"
#include "satcodx/satcodx_import.h"
#include "satcodx/satcodx_reader.h"

namespace {

using namespace tuneflash;

const BoxDatabase& Sample() {
  static const std::unique_ptr<BoxDatabase> sample = SampleDatabase(DefaultSampleSatellites());
  return *sample;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto db = std::make_unique<BoxDatabase>(Sample());
  SatcoDxReader reader;
  SatcoDxMerger merger;
  try {
    reader.ReadSatcoDxFile(
        ByteSpan(data, size), [&] { return DatabaseHasRoom(*db); },
        [&](const SATCODX_INFO_SHOW_T& line) { merger.MergeSatcoDxRecord(*db, line); }, [] {});
  } catch (const ConversionError&) {
    return 0;
  } catch (const SatcoDxFormatError&) {
    return 0;
  }
  const Bytes encoded = EncodeDatabaseImage(*db);
  auto decoded = std::make_unique<BoxDatabase>();
  ResetDatabase(*decoded);
  DecodeDatabaseImage(*decoded, encoded);
  if (decoded->programs() != db->programs() || decoded->satTps() != db->satTps()) std::abort();
  return 0;
}
