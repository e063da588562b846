// Records in memory.
#include "link/record_sink.h"

#include <algorithm>

namespace tuneflash {

bool MemoryRecords::WriteAt(std::size_t offset, ByteSpan data) {
  if (offset > kMaxBytes || data.size() > kMaxBytes - offset) {
    error_ = "the box's records run past " + std::to_string(kMaxBytes >> 20) + " MiB";
    return false;
  }
  if (bytes_.size() < offset + data.size()) bytes_.resize(offset + data.size());
  std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  return true;
}

}  // namespace tuneflash
