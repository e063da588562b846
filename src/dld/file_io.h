// Whole-file reads and safe whole-file writes, with errors that name the file.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "dld/bytes.h"

namespace tuneflash {

// A file could not be opened, read or written. what() names the file and the cause.
class FileError : public std::runtime_error {
 public:
  FileError(const std::filesystem::path& path, const std::string& what);
  const std::filesystem::path& path() const noexcept { return path_; }

 private:
  std::filesystem::path path_;
};

// The whole content of `path`. Throws FileError.
Bytes ReadWholeFile(const std::filesystem::path& path);

// Writes `data` beside `path` and renames it over `path`, so a failure never
// leaves a half-written target. Throws FileError.
void WriteFileAtomically(const std::filesystem::path& path, ByteSpan data);

// True when `path` exists and can be opened for reading and writing.
bool IsReadWritable(const std::filesystem::path& path);

}  // namespace tuneflash
