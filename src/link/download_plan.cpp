// Planning a download from its file.
#include "link/download_plan.h"

#include "dld/records.h"
#include "link/com_port.h"
#include "link/link_frames.h"
#include "link/record_file.h"

namespace tuneflash {
namespace {

LinkFailure FileFailure(FailureCause cause, LinkPhase phase, int partition, std::string detail) {
  LinkFailure f;
  f.cause = cause;
  f.phase = phase;
  f.partition = partition;
  f.detail = std::move(detail);
  return f;
}

std::string At(const std::filesystem::path& path, std::size_t offset) {
  return "'" + path.string() + "' at offset " + std::to_string(offset);
}

// The whole file; the size is bounded by what a box's flash can hold.
LinkResult<Bytes> ReadWholeFile(const std::filesystem::path& path) {
  constexpr std::size_t kMaxFile = 64u << 20;
  RecordFile file(path, RecordFile::Mode::ReadWrite);
  if (!file.IsOpen()) return FileFailure(FailureCause::FileError, LinkPhase::Verify, 0, file.error());
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxFile)
    return FileFailure(FailureCause::FileError, LinkPhase::Verify, 0, "'" + path.string() + "': size");
  Bytes bytes(static_cast<std::size_t>(size));
  if (!file.ReadAt(0, bytes))
    return FileFailure(FailureCause::FileError, LinkPhase::Verify, 0, "cannot read '" + path.string() + "'");
  return bytes;
}

}  // namespace

LinkResult<DownloadPlan> MakeDownloadPlan(const std::filesystem::path& path, int partitionCount) {
  auto read = ReadWholeFile(path);
  if (!read) return read.error();
  return PlanDownload(std::make_shared<const Bytes>(std::move(read.value())), path, partitionCount);
}

LinkResult<DownloadPlan> PlanDownload(std::shared_ptr<const Bytes> bytes, const std::filesystem::path& path,
                                      int partitionCount) {
  DownloadPlan plan;
  plan.file = std::move(bytes);
  const ByteSpan file = *plan.file;
  if (file.size() < 3 || file[0] != kHeaderTag)
    return FileFailure(FailureCause::BadRecord, LinkPhase::Verify, 0, "no header record in " + At(path, 0));
  const std::size_t headerSize = GetLe16(file, 1) + 3u;
  if (headerSize > kMaxComFrame || headerSize > file.size())
    return FileFailure(FailureCause::FileShort, LinkPhase::Verify, 0, "header record of " + At(path, 0));
  plan.header = file.first(headerSize);

  std::size_t offset = kFirstPartitionRecordOffset;
  for (int i = 1; i <= partitionCount; ++i) {
    if (offset + 2 > file.size() || file[offset] != kPartitionTag) {
      plan.brokenAt =
          FileFailure(offset + 2 > file.size() ? FailureCause::FileShort : FailureCause::BadRecord,
                      LinkPhase::Transfer, i, "partition record expected in " + At(path, offset));
      break;
    }
    const std::size_t recordSize = static_cast<std::size_t>((file[offset + 1] + 2) & 0xFF);
    if (recordSize < 2) {
      plan.brokenAt = FileFailure(FailureCause::BadRecord, LinkPhase::Transfer, i,
                                  "partition record length in " + At(path, offset));
      break;
    }
    if (offset + recordSize > file.size()) {
      plan.brokenAt = FileFailure(FailureCause::FileShort, LinkPhase::Transfer, i,
                                  "partition record in " + At(path, offset));
      break;
    }
    PlannedPartition p;
    p.record = file.subspan(offset, recordSize);
    offset += recordSize;
    if (offset < file.size() && file[offset] == kDataTag) {
      // The whole data record, tag and length included, in blocks of 1020
      // bytes; the last block carries the rest, possibly nothing.
      const std::size_t total = offset + 4 <= file.size() ? GetLe24(file, offset + 1) + 4u : 0;
      if (total == 0) {
        p.brokenData = FileFailure(FailureCause::FileShort, LinkPhase::Transfer, i,
                                   "data record length runs past the end of " + At(path, offset));
      }
      for (const std::size_t n : total > 0 ? DownloadBlockLengths(total) : std::vector<std::size_t>{}) {
        if (offset + n > file.size()) {
          p.brokenData = FileFailure(FailureCause::FileShort, LinkPhase::Transfer, i,
                                     "data record runs past the end of " + At(path, offset));
          break;
        }
        p.blocks.push_back(file.subspan(offset, n));
        plan.dataBytes += n;
        offset += n;
      }
    }
    plan.partitions.push_back(std::move(p));
  }
  return plan;
}

}  // namespace tuneflash
