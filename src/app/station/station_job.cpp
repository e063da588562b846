// The station's job on one box.
#include "app/station/station_job.h"

#include "dld/file_io.h"
#include "link/download.h"
#include "link/link_waits.h"
#include "link/verify.h"

namespace tuneflash::app {

const char* StationJobText(StationJob job) {
  switch (job) {
    case StationJob::Download:
      return "Download";
    case StationJob::Verify:
      return "Verify";
    case StationJob::DownloadThenVerify:
      return "Download then Verify";
  }
  return "";
}

std::string StationJobCommand(StationJob job) {
  return job == StationJob::Verify ? "verify" : "download";
}

bool StationJobWrites(StationJob job) {
  return job != StationJob::Verify;
}

std::shared_ptr<const StationFile> LoadStationFile(const std::filesystem::path& path, StationJob job) {
  auto file = std::make_shared<StationFile>();
  file->link = ReadLinkFile(path, StationJobWrites(job) ? LinkFileUse::Download : LinkFileUse::Compare);
  file->expected = VerifyDownloadFile(*file->link.bytes, true);
  if (!file->expected.ok()) throw FileError(path, DescribeVerifyFailure(*file->expected.failure));
  file->facts = FactsOfBytes(file->link.path.string(), *file->link.bytes);
  return file;
}

LaneJobMaker MakeStationJob(StationJob job, std::shared_ptr<const StationFile> file) {
  return [job, file](const LaneBinding& lane) {
    auto compared = std::make_shared<std::vector<PartitionComparison>>();
    auto run = [job, file, lane, compared]() -> LinkStatus {
      compared->clear();
      if (job != StationJob::Verify) {
        const DownloadOptions options{.showConnectSuccess = true, .timing = lane.timing};
        const LinkStatus sent = DownloadFile(lane.port, lane.events, file->link, options);
        if (!sent || job == StationJob::Download) return sent;
        // The box starts again after it has programmed; its next hello opens the read-back.
        if (const LinkStatus hello = ConnectBox(lane.port, lane.events, lane.timing); !hello) return hello;
      }
      VerifyResult result = VerifyBox(lane.port, lane.events, file->expected, lane.timing);
      *compared = std::move(result.partitions);
      return result.status;
    };
    return BoxJob{std::move(run), [file](bool) { return file->facts; },
                  job == StationJob::Download ? std::function<std::vector<PartitionComparison>()>{}
                                              : [compared] { return *compared; }};
  };
}

}  // namespace tuneflash::app
