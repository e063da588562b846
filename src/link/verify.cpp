// Reading a box back against a file.
#include "link/verify.h"

#include <algorithm>

#include "link/upload.h"

namespace tuneflash {
namespace {

// The areas the file's partitions fill: attribute, address and raw size each.
std::vector<PartitionInfo> AreasOf(const VerifyReport& file) {
  std::vector<PartitionInfo> areas;
  for (const auto& p : file.partitions)
    areas.push_back({p.record.uiAddress, p.record.uiRawSize, p.record.ucAttribute});
  return areas;
}

LinkFailure Mismatch(const PartitionComparison& first, std::size_t count, const std::string& device) {
  LinkFailure failure;
  failure.cause = FailureCause::Differs;
  failure.phase = LinkPhase::Verify;
  failure.partition = first.index;
  failure.device = device;
  failure.detail = VerdictText(first);
  if (count > 1) failure.detail += "; " + std::to_string(count) + " partitions differ";
  return failure;
}

}  // namespace

VerifyResult VerifyBox(ComPort& port, RunObserver& observer, const VerifyReport& expected,
                       const LinkTiming& timing) {
  MemoryRecords received;
  VerifyResult result;
  result.status = ReceiveUpload(port, observer, received, AreasOf(expected), timing);
  result.partitions = ComparePartitions(expected, VerifyDownloadFile(received.bytes(), true));
  if (!result.status) {
    // A data record that arrived whole but does not hold is named, not "not read".
    const LinkFailure& f = result.status.error();
    const auto at = static_cast<std::size_t>(f.partition);
    if (f.cause == FailureCause::BadRecord && f.phase == LinkPhase::Transfer && at >= 1 &&
        at <= result.partitions.size())
      result.partitions[at - 1].verdict = PartitionVerdict::Unsound;
    return result;
  }
  const auto differs = [](const PartitionComparison& c) { return c.verdict != PartitionVerdict::Same; };
  const auto first = std::find_if(result.partitions.begin(), result.partitions.end(), differs);
  if (first != result.partitions.end()) {
    const auto count = static_cast<std::size_t>(std::count_if(first, result.partitions.end(), differs));
    result.status = Mismatch(*first, count, port.DeviceName());
  }
  return result;
}

}  // namespace tuneflash
