// Repacking a download file: every partition is verified and decompressed as
// `info` does, then compressed again; the identity and the partition layout
// stay as they are.
#pragma once

#include <optional>

#include "dld/bytes.h"
#include "dld/lzo_codec.h"
#include "dld/record_reader.h"

namespace tuneflash {

struct RepackResult {
  Bytes file;                            // the new file; empty when the source failed
  std::optional<VerifyFailure> failure;  // the first record of the source that failed
  bool ok() const { return !failure.has_value(); }
};

// The source's header (identity, type code, count, reserved bytes) and each
// partition record's attribute, address and raw size are kept; packed sizes,
// block counts and check values are renewed and iTotalSize is the new file's
// size. A source that fails verification gives its failure and no file.
// Throws std::length_error when a partition packs beyond what a data record
// can hold.
RepackResult RepackDownloadFile(ByteSpan source, Compression compression);

}  // namespace tuneflash
