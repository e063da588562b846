// Reading the file of a run once.
#include "link/link_file.h"

#include "dld/file_io.h"
#include "dld/records.h"
#include "link/link_frames.h"

namespace tuneflash {
namespace {

constexpr std::uintmax_t kMaxTotalSize = 0xFFFFFF;  // the header's total size has 24 bits

}  // namespace

LinkFile ReadLinkFile(const std::filesystem::path& path, LinkFileUse use) {
  LinkFile file;
  file.path = std::filesystem::absolute(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw FileError(path, "does not exist or is not a file");
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) throw FileError(path, "its size cannot be read: " + ec.message());
  if (size < kHeaderRecordSize) throw FileError(path, "is too short for a download file header");
  if (size > kMaxTotalSize) {
    throw FileError(path, "is " + std::to_string(size) + " bytes; a download file's header counts at most " +
                              std::to_string(kMaxTotalSize));
  }
  if (use == LinkFileUse::Download && !IsReadWritable(path))
    throw FileError(path, "cannot be opened for reading and writing");
  auto bytes = std::make_shared<Bytes>(ReadWholeFile(path));
  if (bytes->size() != size) throw FileError(path, "changed while it was read");
  file.partitionCount = (*bytes)[kHeaderPartitionCountOffset];
  if (static_cast<std::size_t>(file.partitionCount) > kMaxUploadAreas) {
    throw FileError(path, "holds " + std::to_string(file.partitionCount) +
                              " partitions; one upload request names at most " +
                              std::to_string(kMaxUploadAreas));
  }
  file.bytes = std::move(bytes);
  return file;
}

}  // namespace tuneflash
