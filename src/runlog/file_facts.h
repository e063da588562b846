// What a run record says about the file of a box: its name, size, SHA-256
// and the identity its download header carries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "dld/bytes.h"
#include "dld/records.h"

namespace tuneflash {

struct FileFacts {
  std::string name;                                // the path as the command got it
  std::optional<std::uint64_t> size;               // nothing when the file could not be read
  std::string sha256;                              // empty when the file could not be read
  std::optional<FILE_DOWNLOAD_HEADER_T> identity;  // nothing when the file is shorter than a header
  std::string problem;                             // why size and hash are missing, if they are
};

// The facts of `bytes`, the content of the file `name`.
FileFacts FactsOfBytes(const std::string& name, ByteSpan bytes);

// Reads `path` whole; a file that cannot be read gives its name and the
// problem, never an exception.
FileFacts FactsOfFile(const std::filesystem::path& path);

}  // namespace tuneflash
