// `upload`: read one partition set out of the box into a new download file.
#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/log_option.h"
#include "cli/port_session.h"
#include "dld/download_header.h"
#include "dld/partition_sets.h"
#include "link/upload.h"
#include "runlog/box_log.h"
#include "runlog/file_facts.h"

namespace tuneflash::cli {
namespace {

struct UploadCommand {
  PortOptions port;
  std::string set;
  std::string file;
  bool force = false;
  std::string log;
  std::string station;
};

int RunUpload(const UploadCommand& o) {
  const auto set = ParsePartitionSet(o.set);
  if (!set) {
    std::cerr << "tuneflash-cli: unknown partition set '" << o.set
              << "' (data, default, key, loader, app or all)\n";
    return kExitUsage;
  }
  std::error_code ec;
  if (std::filesystem::exists(o.file, ec) && !o.force) {
    std::cerr << "tuneflash-cli: '" << o.file << "' exists; add --force to replace it\n";
    return kExitUsage;
  }
  std::shared_ptr<const RunLogFile> runLog;
  if (!OpenRunLog(o.log, o.station, runLog)) return kExitUsage;
  PortSession session(o.port);
  if (const auto failed = session.Open()) return *failed;
  DownloadHeaderState header;
  const std::filesystem::path file = std::filesystem::absolute(o.file);
  const int code = session.Run("upload", runLog, [&](const LaneBinding& lane) {
    return BoxJob{[&, lane] { return UploadFile(lane.port, lane.events, header, file, *set, lane.timing); },
                  // The record names what the box sent: the file, or what arrived of it.
                  [&](bool ok) { return FactsOfFile(ok ? file : PartialUploadPath(file)); },
                  {}};
  });
  if (code == kExitOk) {
    std::cout << "Wrote " << o.file << ": " << PartitionSetName(*set) << " set, "
              << std::filesystem::file_size(file, ec) << " bytes, from the box '" << header.show().manufacture
              << "'\n";
  } else if (std::filesystem::exists(PartialUploadPath(file), ec)) {
    std::cerr << "tuneflash-cli: what arrived is in '" << PartialUploadPath(file).string() << "'";
    if (std::filesystem::exists(file, ec)) std::cerr << "; '" << o.file << "' is unchanged";
    std::cerr << "\n";
  }
  return code;
}

}  // namespace

void AddUploadCommand(CLI::App& app, CliContext& context) {
  auto o = std::make_shared<UploadCommand>();
  auto* cmd =
      app.add_subcommand("upload", "Read a partition set out of the box on PORT into a new download file");
  AddPortOptions(*cmd, o->port);
  cmd->add_option("-s,--set", o->set, "Partition set: data, default, key, loader, app or all")->required();
  cmd->add_flag("-f,--force", o->force, "Replace OUT.dld when it exists");
  AddLogOption(*cmd, o->log, o->station);
  cmd->add_option("file", o->file, "Download file to write (.dld)")->required();
  cmd->callback([&context, o] { context.exitCode = RunUpload(*o); });
}

}  // namespace tuneflash::cli
