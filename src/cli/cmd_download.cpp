// `download`: flash a download file into one box, N boxes or box after box,
// on one port or several at once.
#include <filesystem>
#include <iostream>

#include "cli/box_run.h"
#include "cli/commands.h"
#include "dld/download_header.h"
#include "link/download.h"
#include "runlog/box_log.h"
#include "runlog/file_facts.h"

namespace tuneflash::cli {
namespace {

struct DownloadCommand {
  BoxRunOptions run;
  std::string file;
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
  const std::filesystem::path file = std::filesystem::absolute(o.file);
  // One box: the download, recorded with the file.
  return RunBoxes(o.run, "download",
                  [&file, partitions](ComPort& port, RunObserver& observer, const LinkTiming& timing, auto) {
                    const DownloadOptions options{.showConnectSuccess = true, .timing = timing};
                    return BoxJob{[&port, &observer, &file, partitions, options] {
                                    return DownloadFile(port, observer, file, partitions, options);
                                  },
                                  [&file](bool) { return FactsOfFile(file); },
                                  {}};
                  });
}

}  // namespace

void AddDownloadCommand(CLI::App& app, CliContext& context) {
  auto o = std::make_shared<DownloadCommand>();
  auto* cmd =
      app.add_subcommand("download", "Flash a download file into the box on PORT (one box by default)");
  AddBoxRunOptions(*cmd, o->run, "Flash");
  cmd->add_option("file", o->file, "Download file (.dld)")->required();
  cmd->callback([&context, o] { context.exitCode = RunDownload(*o); });
}

}  // namespace tuneflash::cli
