// `ports`: the ten port entries and the device behind each.
#include <iostream>

#include "cli/commands.h"
#include "link/box_registry.h"
#include "link/port_names.h"

namespace tuneflash::cli {

void AddPortsCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("ports", "List COM.01..COM.10 and the device each opens");
  cmd->callback([&context] {
    for (const auto& entry : MakePortEntries(ListPortDevices(DefaultBoxRegistry()))) {
      std::cout << entry.name << "  " << (entry.device.empty() ? "-" : entry.tooltip) << "\n";
    }
    context.exitCode = kExitOk;
  });
}

}  // namespace tuneflash::cli
