// `satcodx --port PORT LIST.sdx...`: the SatcoDX download with a box: read its
// Data set, merge the lists into its channel database, download the result.
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/log_option.h"
#include "cli/port_session.h"
#include "dld/work_dir.h"
#include "jobs/satcodx_download.h"
#include "runlog/box_log.h"
#include "runlog/file_facts.h"

namespace tuneflash::cli {
namespace {

struct SatcoDxCommand {
  PortOptions port;
  std::vector<std::string> lists;
  std::string workdir;
  std::string log;
  std::string station;
  bool keepWork = false;
};

int RunSatcoDx(const SatcoDxCommand& o) {
  std::vector<std::filesystem::path> lists;
  for (const auto& list : o.lists) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(list, ec)) {
      std::cerr << "tuneflash-cli: '" << list << "' does not exist or is not a file\n";
      return kExitUsage;
    }
    lists.emplace_back(list);
  }
  std::filesystem::path workFile;
  std::unique_ptr<PrivateWorkDirectory> workdir;
  try {
    workdir = std::make_unique<PrivateWorkDirectory>(o.workdir.empty() ? DefaultWorkDirectory()
                                                                       : std::filesystem::path(o.workdir));
    if (o.keepWork) {
      workdir->Keep();
      std::cerr << "tuneflash-cli: work files kept in " << workdir->path().string() << "\n";
    }
    workFile = workdir->path() / kSatcoDxWorkFileName;
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitUsage;
  }

  std::shared_ptr<const RunLogFile> runLog;
  if (!OpenRunLog(o.log, o.station, runLog)) return kExitUsage;
  PortSession session(o.port);
  if (const auto failed = session.Open()) return *failed;
  auto db = std::make_unique<BoxDatabase>();
  ConversionState conversion;
  conversion.workDirectory = workFile.parent_path();
  DownloadHeaderState header;
  return session.Run("satcodx", runLog, [&](const LaneBinding& lane) {
    auto satcodx = std::make_shared<SatcoDxSession>(SatcoDxSession{*db, conversion, lane.events, {}, {}});
    SatcoDxDownloadOptions options;
    options.timing = lane.timing;
    // The record names the merged file that went to the box.
    return BoxJob{[&, lane, satcodx, options] {
                    return DownloadSatcoDx(lane.port, header, workFile, lists, *satcodx, options);
                  },
                  [&](bool) { return FactsOfFile(workFile); },
                  {}};
  });
}

}  // namespace

void AddSatcoDxCommand(CLI::App& app, CliContext& context) {
  auto o = std::make_shared<SatcoDxCommand>();
  auto* cmd = app.add_subcommand(
      "satcodx", "Merge SatcoDX lists into the channel database of the box on PORT and download it");
  AddPortOptions(*cmd, o->port);
  cmd->add_option("lists", o->lists, "SatcoDX lists (.sdx), imported in order")->required();
  AddLogOption(*cmd, o->log, o->station);
  cmd->add_option("--workdir", o->workdir,
                  "Directory under which the run makes its own work directory (default: the per-user state "
                  "directory)");
  cmd->add_flag("--keep-work", o->keepWork, "Keep the run's work directory and say where it is");
  cmd->callback([&context, o] { context.exitCode = RunSatcoDx(*o); });
}

}  // namespace tuneflash::cli
