// Fuzz target: a SatcoDX list merged into the sample channel database. Any
// list either merges or is refused with a conversion or format error; the database
// afterwards encodes, and decodes to the tables it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "boxdb/database_image.h"
#include "dld/int_text.h"
#include "sample_copy.h"
#include "satcodx/satcodx_import.h"
#include "satcodx/satcodx_reader.h"

using namespace tuneflash;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto db = SampleCopy();
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
