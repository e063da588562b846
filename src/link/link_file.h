// A download file as a run sends it to boxes or compares boxes with it: read
// whole, once per command, and checked that the link can carry it. Every box
// of the run gets these same bytes, and the run's records name their hash.
#pragma once

#include <filesystem>
#include <memory>

#include "dld/bytes.h"

namespace tuneflash {

struct LinkFile {
  std::filesystem::path path;          // absolute
  std::shared_ptr<const Bytes> bytes;  // never null
  int partitionCount = 0;              // the header's partition count
};

// What the run does with the file: a download opens it for reading and
// writing, as the box's tools expect of a file they download.
enum class LinkFileUse { Download, Compare };

// Reads `path` and refuses, with a FileError naming the file and
// why, a file shorter than a header, one whose size its header's 24-bit
// total cannot hold, and one with more partitions than one upload request
// names (such a file could be sent but never read back).
LinkFile ReadLinkFile(const std::filesystem::path& path, LinkFileUse use);

}  // namespace tuneflash
