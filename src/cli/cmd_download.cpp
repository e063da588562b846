// `download`: flash a download file into one box, N boxes or box after box.
#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/port_session.h"
#include "dld/download_header.h"
#include "dld/records.h"
#include "link/download.h"

namespace tuneflash::cli {
namespace {

struct DownloadCommand {
  PortOptions port;
  std::string file;
  int count = 1;
  bool repeat = false;
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
  PortSession session(o.port);
  if (const auto failed = session.Open()) return *failed;
  StartLoopOptions loop;
  loop.nextBoxAfterSuccess = o.repeat || o.count > 1;
  loop.maxBoxes = o.repeat ? 0 : o.count;
  const std::filesystem::path file = o.file;
  const DownloadOptions options{.showConnectSuccess = true, .timing = session.timing()};
  return session.RunLoop(
      [&] { return DownloadFile(session.port(), session.observer(), file, partitions, options); }, loop);
}

}  // namespace

void AddDownloadCommand(CLI::App& app, CliContext& context) {
  auto o = std::make_shared<DownloadCommand>();
  auto* cmd =
      app.add_subcommand("download", "Flash a download file into the box on PORT (one box by default)");
  AddPortOptions(*cmd, o->port);
  auto* count = cmd->add_option("-n,--count", o->count, "Flash N boxes one after another")
                    ->check(CLI::Range(1, 100000));
  cmd->add_flag("--repeat", o->repeat, "Flash box after box until Ctrl-C")->excludes(count);
  cmd->add_option("file", o->file, "Download file (.dld)")->required();
  cmd->callback([&context, o] { context.exitCode = RunDownload(*o); });
}

}  // namespace tuneflash::cli
