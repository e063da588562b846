// `set-ident FILE.dld 0|1`: the window's "Ident for nocheck" edit.
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "dld/download_header.h"
#include "dld/file_io.h"

namespace tuneflash::cli {
namespace {

int RunSetIdent(const std::string& path, const std::string& value) {
  if (value != "0" && value != "1") {
    std::cerr << "tuneflash-cli: the ident for nocheck is 0 or 1, not '" << value << "'\n";
    return kExitUsage;
  }
  DownloadHeaderState state;
  if (!state.LoadDownloadHeader(path)) {
    std::cerr << "tuneflash-cli: '" << path << "': cannot read its 71-byte header\n";
    return kExitUsage;
  }
  switch (state.SetDownloadHeaderField(kFieldIdent, value, path)) {
    case HeaderWrite::Written:
      std::cout << "Ident for nocheck: " << int{state.show().ident} << " written to " << path << "\n";
      return kExitOk;
    case HeaderWrite::CannotOpen:
      std::cerr << "tuneflash-cli: '" << path << "': cannot be opened for writing; nothing written\n";
      return kExitUsage;
    case HeaderWrite::NotLoadedFromFile:
      std::cerr << "tuneflash-cli: '" << path
                << "': the header was not loaded from this file; nothing written\n";
      return kExitFailed;
  }
  return kExitFailed;
}

}  // namespace

void AddSetIdentCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("set-ident", "Set the \"Ident for nocheck\" byte of a download file");
  auto path = std::make_shared<std::string>();
  auto value = std::make_shared<std::string>();
  cmd->add_option("file", *path, "Download file (.dld)")->required();
  cmd->add_option("value", *value, "0 or 1")->required();
  cmd->callback([&context, path, value] { context.exitCode = RunSetIdent(*path, *value); });
}

}  // namespace tuneflash::cli
