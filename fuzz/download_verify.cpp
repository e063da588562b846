// Fuzz target: the download file verifier walks any bytes without reading out
// of bounds, and a file it passes is sound record by record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dld/record_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tuneflash::ByteSpan file(data, size);
  const tuneflash::VerifyReport report = tuneflash::VerifyDownloadFile(file, true);
  if (!report.ok()) return 0;
  if (!report.headerOk || report.fileSize != size) std::abort();
  for (const auto& partition : report.partitions) {
    if (!partition.recordOk || !partition.dataOk || !partition.decompressOk || !partition.rawCrcOk)
      std::abort();
    if (partition.dataOffset >= size || partition.recordOffset >= partition.dataOffset) std::abort();
  }
  return 0;
}
