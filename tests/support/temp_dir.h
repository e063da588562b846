// A fresh directory under the system temp dir, removed when the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "dld/bytes.h"
#include "dld/work_dir_platform.h"

namespace tuneflash::testing {

class TempDir {
 public:
  TempDir() : path_(MakePrivateDirectory(std::filesystem::temp_directory_path(), "tuneflash-test-")) {}
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, ByteSpan data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Deterministic, partly compressible content: a counter pattern with noise.
inline Bytes PatternImage(std::size_t size, std::uint32_t seed) {
  Bytes image(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    image[i] = (i % 64 < 48) ? static_cast<std::uint8_t>(i / 64) : static_cast<std::uint8_t>(state >> 24);
  }
  return image;
}

}  // namespace tuneflash::testing
