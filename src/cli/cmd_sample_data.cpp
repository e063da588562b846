// `sample-data -o OUT.dld`: a Data set download file with a small channel
// database (four satellites, a few transponders and programs), for trying a
// SatcoDX merge or loading the simulated box without a real box's data.
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "dld/file_io.h"
#include "satcodx/sample_database.h"

namespace tuneflash::cli {

void AddSampleDataCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("sample-data",
                                 "Write a Data set download file with a small sample channel database");
  auto output = std::make_shared<std::string>();
  auto slot = std::make_shared<int>(2);
  auto flash = std::make_shared<std::string>();
  cmd->add_option("-o,--output", *output, "Download file to write")->required();
  cmd->add_option("--flash", *flash,
                  "Also write a 2 MiB flash image holding the set (for tuneflash-boxsim --flash)");
  cmd->add_option("--slot", *slot, "Database slot of the image (1 or 2)")->check(CLI::IsMember({1, 2}));
  cmd->callback([&context, output, slot, flash] {
    const auto db = SampleDatabase(DefaultSampleSatellites());
    try {
      const Bytes file = SampleDataFile(*db, *slot, SampleIdentity());
      WriteFileAtomically(*output, file);
      if (!flash->empty()) WriteFileAtomically(*flash, SampleFlashImage(file));
    } catch (const FileError& e) {
      std::cerr << "tuneflash-cli: " << e.what() << "\n";
      context.exitCode = kExitFailed;
      return;
    }
    std::cout << "Wrote " << *output << ": Data set with a sample channel database\n";
    context.exitCode = kExitOk;
  });
}

}  // namespace tuneflash::cli
