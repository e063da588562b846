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

// Syncs `from` to disk, renames it over `to`, then syncs the folder, so that
// neither the content nor the rename is lost to a power cut. Throws FileError.
void CommitFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Syncs the folder that holds `path`, so that a file created or renamed in
// it stays. Throws FileError.
void SyncFolderOf(const std::filesystem::path& path);

// True when `path` exists and can be opened for reading and writing.
bool IsReadWritable(const std::filesystem::path& path);

}  // namespace tuneflash
