// The one job of a station: what every tile does with each box, and the file
// it does it with, read once when the operator chooses it. Every lane of the
// station shares the same bytes, so every record names the same hash.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "dld/record_reader.h"
#include "lane/port_lane.h"
#include "link/link_file.h"
#include "runlog/file_facts.h"

namespace tuneflash::app {

enum class StationJob { Download, Verify, DownloadThenVerify };

inline constexpr int kStationJobCount = 3;

// "Download", "Verify", "Download then Verify".
const char* StationJobText(StationJob job);
// The records' command: "download" (the verify after a download included) or "verify".
std::string StationJobCommand(StationJob job);
// Whether the job writes into the box (its file must be writable, as a download's is).
bool StationJobWrites(StationJob job);

// The file of the job, read and checked once.
struct StationFile {
  LinkFile link;
  FileFacts facts;
  VerifyReport expected;  // every record checked, the images kept for verify
};

// Reads `path` whole and checks every record. Throws FileError naming the
// file and, for a record that does not hold, which one and where.
std::shared_ptr<const StationFile> LoadStationFile(const std::filesystem::path& path, StationJob job);

// The lane's job for each box: the download, the verify, or the download
// followed by the verify of the same box once it says hello again.
LaneJobMaker MakeStationJob(StationJob job, std::shared_ptr<const StationFile> file);

}  // namespace tuneflash::app
