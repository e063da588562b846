// What a download sends, worked out once from the file: the header frame,
// then per partition its record and the blocks of its data record. A file
// that breaks off or holds a wrong tag is planned up to that point; the
// transfer fails there, after sending what came before, as the box expects.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "dld/bytes.h"
#include "run/link_failure.h"

namespace tuneflash {

struct PlannedPartition {
  ByteSpan record;                        // the partition record as sent
  std::vector<ByteSpan> blocks;           // the data record in 1020-byte pieces, last one shorter
  std::optional<LinkFailure> brokenData;  // the data record runs past the end of the file
};

struct DownloadPlan {
  std::shared_ptr<const Bytes> file;  // the whole file, read once
  ByteSpan header;
  std::vector<PlannedPartition> partitions;
  // Why partition partitions.size() + 1 cannot be sent, when the file ends
  // or goes wrong before the partition count is reached.
  std::optional<LinkFailure> brokenAt;
  std::size_t dataBytes = 0;  // what the blocks carry in all
};

// Reads `path` (opened for reading and writing, as the box's tools expect
// of a file they download) and plans `partitionCount` partitions. Fails
// (phase Verify) when the file cannot be opened or its header cannot be sent.
LinkResult<DownloadPlan> MakeDownloadPlan(const std::filesystem::path& path, int partitionCount);

// Plans `partitionCount` partitions of `file`, the content of `path` read
// before. Fails (phase Verify) when its header cannot be sent.
LinkResult<DownloadPlan> PlanDownload(std::shared_ptr<const Bytes> file, const std::filesystem::path& path,
                                      int partitionCount);

}  // namespace tuneflash
