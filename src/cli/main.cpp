// tuneflash-cli: the jobs of the window for benches and scripts.
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "dld/file_io.h"
#include "tuneflash_version.h"

int main(int argc, char** argv) {
  using namespace tuneflash::cli;
  CLI::App app{"Tuneflash: load firmware and data into a receiver over RS-232, and read them back.",
               "tuneflash-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "tuneflash-cli " TUNEFLASH_VERSION);
  CliContext context;
  AddInfoCommand(app, context);
  AddSetIdentCommand(app, context);
  AddPackCommands(app, context);
  AddRepackCommand(app, context);
  AddDownloadCommand(app, context);
  AddUploadCommand(app, context);
  AddVerifyCommand(app, context);
  AddPortsCommand(app, context);
  AddChannelsCommand(app, context);
  AddMergeSatcoDxCommand(app, context);
  AddSampleDataCommand(app, context);
  AddSatcoDxCommand(app, context);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? kExitOk : kExitUsage;
  } catch (const tuneflash::FileError& e) {
    // A file that cannot be read or is refused as it is read.
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitFailed;
  }
  return context.exitCode;
}
