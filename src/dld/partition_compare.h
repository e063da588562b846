// Verify's comparison: the partitions a download file holds against the
// partitions read back from a box, raw image against raw image.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dld/record_reader.h"

namespace tuneflash {

enum class PartitionVerdict {
  Same,     // the box holds the file's raw image at the file's address
  Differs,  // firstDifference says where the first byte differs
  Missing,  // nothing usable arrived for this partition
  Unsound,  // the box's record of this partition arrived whole but does not hold
};

struct PartitionComparison {
  int index = 0;  // 1-based, in file order
  std::uint32_t address = 0;
  PartitionVerdict verdict = PartitionVerdict::Missing;
  std::optional<std::uint32_t> firstDifference;  // a flash address, for Differs

  bool operator==(const PartitionComparison&) const = default;
};

// One comparison per partition of `expected` (a verified file, read with its
// images kept). `received` holds what the box sent, in the same order, also
// read with its images kept; it may end early (a failed run) or carry bad
// records, which count as Missing from there on. A received partition at
// another address differs at the file's address; one of another size differs
// where the shorter image ends, unless a byte differs before.
std::vector<PartitionComparison> ComparePartitions(const VerifyReport& expected,
                                                   const VerifyReport& received);

bool AllSame(const std::vector<PartitionComparison>& comparisons);

// "same", "differs at 0x4001A2C4", "differs: the box's record of partition 3
// does not hold" or "not read".
std::string VerdictText(const PartitionComparison& comparison);

}  // namespace tuneflash
