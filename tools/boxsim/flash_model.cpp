// The simulated flash.
#include "boxsim/flash_model.h"

#include <algorithm>

#include "dld/file_io.h"

namespace tuneflash::boxsim {

Bytes FlashModel::Read(std::uint32_t address, std::uint32_t size) const {
  Bytes out(size, 0xFF);
  const std::uint64_t begin = address;
  const std::uint64_t end = begin + size;
  const std::uint64_t lo = std::max<std::uint64_t>(begin, kBase);
  const std::uint64_t hi = std::min<std::uint64_t>(end, std::uint64_t{kBase} + kSize);
  for (std::uint64_t a = lo; a < hi; ++a) out[a - begin] = bytes_[a - kBase];
  return out;
}

bool FlashModel::Write(std::uint32_t address, ByteSpan data) {
  if (address < kBase || std::uint64_t{address} - kBase + data.size() > kSize) return false;
  std::copy(data.begin(), data.end(), bytes_.begin() + (address - kBase));
  return true;
}

void FlashModel::Load(const std::filesystem::path& path) {
  const Bytes image = ReadWholeFile(path);
  if (image.size() > kSize) {
    throw FileError(path, "holds " + std::to_string(image.size()) + " bytes; the flash image takes at most " +
                              std::to_string(kSize));
  }
  std::fill(bytes_.begin(), bytes_.end(), 0xFF);
  std::copy(image.begin(), image.end(), bytes_.begin());
}

void FlashModel::Save(const std::filesystem::path& path) const {
  WriteFileAtomically(path, bytes_);
}

}  // namespace tuneflash::boxsim
