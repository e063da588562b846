// Raw images of a file against raw images read back from a box.
#include "dld/partition_compare.h"

#include <algorithm>
#include <cstdio>

namespace tuneflash {
namespace {

bool Usable(const PartitionReport& part) {
  return part.recordOk && part.dataOk && part.decompressOk && part.rawCrcOk;
}

PartitionComparison Compare(const PartitionReport& want, const PartitionReport* got) {
  PartitionComparison result;
  result.index = want.index + 1;
  result.address = want.record.uiAddress;
  if (got == nullptr || !Usable(*got)) return result;
  if (got->record.uiAddress != want.record.uiAddress) {
    result.verdict = PartitionVerdict::Differs;
    result.firstDifference = want.record.uiAddress;
    return result;
  }
  const auto [at, unused] = std::mismatch(want.raw.begin(), want.raw.end(), got->raw.begin(), got->raw.end());
  const auto offset = static_cast<std::size_t>(at - want.raw.begin());
  if (offset == want.raw.size() && want.raw.size() == got->raw.size()) {
    result.verdict = PartitionVerdict::Same;
    return result;
  }
  result.verdict = PartitionVerdict::Differs;
  result.firstDifference = want.record.uiAddress + static_cast<std::uint32_t>(offset);
  return result;
}

}  // namespace

std::vector<PartitionComparison> ComparePartitions(const VerifyReport& expected,
                                                   const VerifyReport& received) {
  std::vector<PartitionComparison> results;
  for (std::size_t i = 0; i < expected.partitions.size(); ++i) {
    const PartitionReport* got = i < received.partitions.size() ? &received.partitions[i] : nullptr;
    results.push_back(Compare(expected.partitions[i], got));
  }
  return results;
}

bool AllSame(const std::vector<PartitionComparison>& comparisons) {
  return std::all_of(comparisons.begin(), comparisons.end(),
                     [](const PartitionComparison& c) { return c.verdict == PartitionVerdict::Same; });
}

std::string VerdictText(const PartitionComparison& comparison) {
  switch (comparison.verdict) {
    case PartitionVerdict::Same:
      return "same";
    case PartitionVerdict::Missing:
      return "not read";
    case PartitionVerdict::Unsound:
      return "differs: the box's record of partition " + std::to_string(comparison.index) + " does not hold";
    case PartitionVerdict::Differs:
      break;
  }
  char text[40];
  std::snprintf(text, sizeof text, "differs at 0x%08X",
                comparison.firstDifference.value_or(comparison.address));
  return text;
}

}  // namespace tuneflash
