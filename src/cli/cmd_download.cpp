// `download`: flash a download file into one box, N boxes or box after box,
// on one port or several at once.
#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/log_option.h"
#include "cli/port_choice.h"
#include "cli/port_lanes.h"
#include "cli/port_session.h"
#include "dld/download_header.h"
#include "link/box_registry.h"
#include "link/download.h"
#include "runlog/box_log.h"
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
  const std::filesystem::path file = std::filesystem::absolute(o.file);
  // One box: the download, recorded with the file.
  const auto job = [&file, partitions](ComPort& port, RunObserver& observer, const LinkTiming& timing) {
    const DownloadOptions options{.showConnectSuccess = true, .timing = timing};
    return BoxJob{[&port, &observer, &file, partitions, options] {
                    return DownloadFile(port, observer, file, partitions, options);
                  },
                  [&file](bool) { return FactsOfFile(file); },
                  {}};
  };
  if (names->size() > 1) {
    const LanesOptions lanes{"download", runLog, o.count, o.repeat, PortTiming(o.ports.timeoutSeconds)};
    return RunOnPorts(*names, ListPortDevices(DefaultBoxRegistry()), lanes,
                      [&](Lane& lane) { return job(lane.port, lane.observer, lanes.timing); });
  }
  PortSession session(SinglePort(o.ports, names->front()));
  if (const auto failed = session.Open()) return *failed;
  StartLoopOptions loop;
  loop.nextBoxAfterSuccess = o.repeat || o.count > 1;
  loop.maxBoxes = o.repeat ? 0 : o.count;
  return session.RunRecorded("download", runLog, job(session.port(), session.observer(), session.timing()),
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
