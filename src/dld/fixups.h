// Fix-up rules for records received from the box during an upload.
#pragma once

#include <array>
#include <optional>

#include "dld/bytes.h"
#include "dld/records.h"

namespace tuneflash {

// A received header record (71 bytes): the box's check value over the 64
// payload bytes must match; then type code and count are set from
// `partitionCount`, iTotalSize is zeroed and the check value recomputed.
// Returns nothing when the box's check value does not match.
std::optional<std::array<std::uint8_t, kHeaderRecordSize>> FixReceivedHeader(ByteSpan received,
                                                                             std::uint8_t partitionCount);

// A received partition record (26 bytes): the box's check value must match;
// then ucBlockCount is recomputed from uiPackedSize and the check value too.
std::optional<std::array<std::uint8_t, kPartitionRecordSize>> FixReceivedPartitionRecord(ByteSpan received);

}  // namespace tuneflash
