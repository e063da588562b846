// The state a run of the window needs: the run modes, the mode list, the
// file of the run and what the file dialogs remember.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "dld/download_header.h"
#include "dld/partition_compare.h"
#include "dld/record_reader.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/run_observer.h"
#include "runlog/file_facts.h"

namespace tuneflash::app {

enum class RunMode : int { Download = 0, SatcoDx = 1, Upload = 2, Verify = 3 };

// The mode list as start-up fills it, in order.
QStringList ModeListEntries();

// Index 0 is a download, the last entry ("Verify") a verify; every other
// index of the list is an upload. The list never yields RunMode::SatcoDx.
RunMode RunModeForListIndex(int index);

// The list index of "Verify", after the existing entries.
inline constexpr int kVerifyListIndex = 7;

// "download", "upload", "satcodx", "verify": the command a run record names.
const char* RecordCommandName(RunMode mode);

// The partition count of a SatcoDX run: the box's Data set.
inline constexpr int kSatcoDxPartitionCount = 8;

struct RunState {
  std::filesystem::path currentFileName;
  int partitionCount = 0;
  // The mode list entry the run was started with (an upload picks its set by it).
  int modeListIndex = 0;
  bool repeatRun = true;
  std::filesystem::path satcoDxWorkFile;
  // The names the Open and Save dialogs hold since they were last chosen.
  QString openDialogFileName;
  QString saveDialogFileName;
  // The folder of the file last chosen in any of the dialogs; they start there.
  QString lastFolder;
  // Verify: the file chosen with Open, read and checked with its images.
  std::optional<VerifyReport> verifyFile;
  // Verify: what the records say of the file compared with.
  FileFacts verifyFacts;
  // The boxes the window's records have counted since it started.
  int boxesRecorded = 0;
};

// What the SatcoDX download sequence is given for one pass of the Start loop.
struct SatcoDxRun {
  ComPort& port;
  RunObserver& observer;
  DownloadHeaderState& header;
  std::filesystem::path workFile;                   // the run's file: the SatcoDX work file
  std::vector<std::filesystem::path> satcoDxFiles;  // the lists chosen with Open
  int partitionCount;
  const LinkTiming& timing;
};

// Runs the SatcoDX download after the box's hello; true on success.
using SatcoDxSequence = std::function<LinkStatus(const SatcoDxRun&)>;

}  // namespace tuneflash::app
