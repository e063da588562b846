// Download files for the window tests and the screenshots: one partition set
// with a readable identity and deterministic partition images.
#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

#include "dld/builder.h"
#include "support/temp_dir.h"

namespace tuneflash::app::testing {

struct SampleIdentity {
  std::uint8_t ident = 0;
  std::string_view manufacture = "BENCH-MAKER";
  std::string_view hardwareModule = "HW7";
  std::string_view hardwareVersion = "1.2";
  std::string_view softwareModule = "SW3";
  std::string_view softwareVersion = "4.05";
};

// `set` with each partition holding at most `imageBytes` of pattern data.
inline Bytes SampleDownloadFile(PartitionSet set, const SampleIdentity& who, std::size_t imageBytes) {
  FILE_DOWNLOAD_HEADER_T identity;
  identity.ucIdent = who.ident;
  SetFieldText(identity.acManufacture, who.manufacture);
  SetFieldText(identity.acHardwareModule, who.hardwareModule);
  SetFieldText(identity.acHardwareVersion, who.hardwareVersion);
  SetFieldText(identity.acSoftwareModule, who.softwareModule);
  SetFieldText(identity.acSoftwareVersion, who.softwareVersion);
  std::vector<Bytes> images;
  for (const PartitionInfo& info : PartitionsOf(set)) {
    images.push_back(
        tuneflash::testing::PatternImage(std::min<std::size_t>(info.size, imageBytes), info.address));
  }
  return BuildDownloadFile(identity, set, images);
}

}  // namespace tuneflash::app::testing
