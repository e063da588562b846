// Download file repacking.
#include "dld/repack.h"

#include <algorithm>

#include "dld/builder.h"

namespace tuneflash {

RepackResult RepackDownloadFile(ByteSpan source, Compression compression) {
  VerifyReport report = VerifyDownloadFile(source, true);
  if (!report.ok()) return RepackResult{{}, report.failure};
  Bytes file(kHeaderRecordSize, 0);
  for (const auto& part : report.partitions) {
    const PartitionInfo info{part.record.uiAddress, part.record.uiRawSize, part.record.ucAttribute};
    AppendPartition(file, info, part.raw, compression);
  }
  FILE_DOWNLOAD_HEADER_T header = *report.header;
  header.iTotalSize = TotalSizeField(file.size());
  const auto bytes = SealHeader(header);
  std::copy(bytes.begin(), bytes.end(), file.begin());
  return RepackResult{std::move(file), std::nullopt};
}

}  // namespace tuneflash
