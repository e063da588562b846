// The upload sequence.
#include "link/upload.h"

namespace tuneflash {

std::optional<PartitionSet> UploadSetForModeIndex(int modeIndex) {
  switch (modeIndex) {
    case 1:
      return PartitionSet::Data;
    case 2:
      return PartitionSet::Default;
    case 3:
      return PartitionSet::Key;
    case 4:
      return PartitionSet::Loader;
    case 5:
      return PartitionSet::App;
    case 6:
      return PartitionSet::All;
    case 7:
      return PartitionSet::Data;
    default:
      return std::nullopt;
  }
}

int PartitionCountForModeIndex(int modeIndex) {
  const auto set = UploadSetForModeIndex(modeIndex);
  return set ? static_cast<int>(PartitionsOf(*set).size()) : 0;
}

std::filesystem::path PartialUploadPath(const std::filesystem::path& target) {
  auto partial = target;
  partial += ".part";
  return partial;
}

bool UploadFile(ComPort& port, RunObserver& observer, DownloadHeaderState& header,
                const std::filesystem::path& target, PartitionSet set, const LinkTiming& timing) {
  (void)port, (void)observer, (void)header, (void)target, (void)set, (void)timing;
  return false;
}

}  // namespace tuneflash
