// `download`: flash a download file into one box, N boxes or box after box,
// on one port or several at once.
#include <filesystem>
#include <iostream>

#include "cli/box_run.h"
#include "cli/commands.h"
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
  // Read once: every box gets these bytes, and every record their hash.
  const LinkFile file = ReadLinkFile(o.file, LinkFileUse::Download);
  const FileFacts facts = FactsOfBytes(file.path.string(), *file.bytes);
  return RunBoxes(o.run, "download", [&file, &facts](const LaneBinding& lane, auto) {
    const DownloadOptions options{.showConnectSuccess = true, .timing = lane.timing};
    return BoxJob{[lane, &file, options] { return DownloadFile(lane.port, lane.events, file, options); },
                  [&facts](bool) { return facts; },
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
