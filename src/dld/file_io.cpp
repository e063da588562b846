// Whole-file reads and atomic writes.
#include "dld/file_io.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace tuneflash {

FileError::FileError(const std::filesystem::path& path, const std::string& what)
    : std::runtime_error("'" + path.string() + "': " + what), path_(path) {}

Bytes ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path, std::string("cannot open: ") + std::strerror(errno));
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) throw FileError(path, "cannot read its size: " + ec.message());
  Bytes data(size);
  if (size != 0 && !in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size))) {
    throw FileError(path, "read failed");
  }
  return data;
}

}  // namespace tuneflash
