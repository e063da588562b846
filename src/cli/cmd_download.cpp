// `download`: flash a download file into one box, N boxes or box after box.
#include <filesystem>
#include <iostream>

#include "cli/box_log.h"
#include "cli/commands.h"
#include "cli/port_choice.h"
#include "cli/port_lanes.h"
#include "cli/port_session.h"
#include "dld/download_header.h"
#include "dld/records.h"
#include "link/box_registry.h"
#include "link/download.h"
#include "link/upgrade_status.h"
#include "runlog/file_facts.h"

namespace tuneflash::cli {
namespace {

struct DownloadCommand {
  PortChoice ports;
  std::string file;
  int count = 1;
  bool repeat = false;
  std::string log;
};

// The bytes of the data records: what the blocks carry.
std::size_t DataBytesOf(const std::filesystem::path& file, int partitions) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  const auto records = kHeaderRecordSize + static_cast<std::size_t>(partitions) * kPartitionRecordSize;
  return ec || size <= records ? 0 : static_cast<std::size_t>(size) - records;
}

int RunDownload(const DownloadCommand& o) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(o.file, ec)) {
    std::cerr << "tuneflash-cli: '" << o.file << "' does not exist or is not a file\n";
    return kExitUsage;
  }
  const int partitions = ReadPartitionCount(o.file);
  if (partitions < 0) {
    std::cerr << "tuneflash-cli: '" << o.file << "' is too short for a download file header\n";
    return kExitUsage;
  }
  const auto names = ExpandPortChoice(o.ports);
  if (!names) return kExitUsage;
  std::shared_ptr<const RunLogFile> runLog;
  if (!OpenRunLog(o.log, runLog)) return kExitUsage;
  const std::filesystem::path file = o.file;
  // One box: the download, then its record.
  const auto flash = [&file, partitions](ComPort& port, RunObserver& observer, BoxLog& log,
                                         const std::function<bool()>& stopped) {
    log.BoxStarted();
    const bool ok = DownloadFile(port, observer, file, partitions);
    const RunOutcome outcome = OutcomeOf(ok, stopped());
    log.BoxEnded(outcome, FactsOfFile(std::filesystem::absolute(file)), {}, observer);
    return outcome;
  };
  if (names->size() > 1) {
    LanesOptions lanes{o.count, o.repeat, DataBytesOf(o.file, partitions)};
    return RunOnPorts(*names, ListPortDevices(DefaultBoxRegistry()), lanes, [&](Lane& lane) -> LaneSequence {
      auto log = std::make_shared<BoxLog>(runLog, "download", lane.name, lane.device);
      return [&lane, flash, log] {
        const RunOutcome outcome =
            flash(lane.port, lane.observer, *log, [&lane] { return lane.observer.stopped(); });
        return BoxEnd{outcome, std::string(*StatusText(outcome == RunOutcome::Success ? kUpdateSuccess
                                                                                      : kUpdateFailed))};
      };
    });
  }
  PortSession session(SinglePort(o.ports, names->front()));
  if (const auto failed = session.Open()) return *failed;
  session.observer().SetExpectedBytes(DataBytesOf(o.file, partitions));
  BoxLog log(runLog, "download", names->front(), session.port().DeviceName());
  StartLoopOptions loop;
  loop.nextBoxAfterSuccess = o.repeat || o.count > 1;
  loop.maxBoxes = o.repeat ? 0 : o.count;
  return session.RunLoop(
      [&] {
        return flash(session.port(), session.observer(), log,
                     [&session] { return session.observer().interrupted(); }) == RunOutcome::Success;
      },
      loop);
}

}  // namespace

void AddDownloadCommand(CLI::App& app, CliContext& context) {
  auto o = std::make_shared<DownloadCommand>();
  auto* cmd =
      app.add_subcommand("download", "Flash a download file into the box on PORT (one box by default)");
  AddPortChoiceOptions(*cmd, o->ports);
  auto* count = cmd->add_option("-n,--count", o->count, "Flash N boxes one after another (on each port)")
                    ->check(CLI::Range(1, 100000));
  cmd->add_flag("--repeat", o->repeat,
                "Flash box after box until Ctrl-C; on several ports a failed box does not end its port")
      ->excludes(count);
  AddLogOption(*cmd, o->log);
  cmd->add_option("file", o->file, "Download file (.dld)")->required();
  cmd->callback([&context, o] { context.exitCode = RunDownload(*o); });
}

}  // namespace tuneflash::cli
