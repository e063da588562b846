// Box after box on one port or several.
#include "cli/box_run.h"

#include <iostream>

#include "cli/commands.h"
#include "cli/log_option.h"
#include "cli/port_lanes.h"
#include "cli/port_session.h"
#include "link/box_registry.h"

namespace tuneflash::cli {

void AddBoxRunOptions(CLI::App& command, BoxRunOptions& options, const std::string& verb) {
  AddPortChoiceOptions(command, options.ports);
  auto* count =
      command.add_option("-n,--count", options.count, verb + " N boxes one after another (on each port)")
          ->check(CLI::Range(1, 100000));
  command
      .add_flag("--repeat", options.repeat,
                verb + " box after box until Ctrl-C; on several ports a failed box does not end its port")
      ->excludes(count);
  AddLogOption(command, options.log, options.station);
}

int RunBoxes(const BoxRunOptions& options, const std::string& command, const PortJobMaker& make) {
  const auto names = ExpandPortChoice(options.ports);
  if (!names) return kExitUsage;
  std::shared_ptr<const RunLogFile> runLog;
  if (!OpenRunLog(options.log, options.station, runLog)) return kExitUsage;
  if (names->size() > 1) {
    const LanesOptions lanes{command, runLog, options.count, options.repeat,
                             PortTiming(options.ports.timeoutSeconds)};
    return RunOnPorts(*names, ListPortDevices(DefaultBoxRegistry()), lanes, make);
  }
  PortSession session(SinglePort(options.ports, names->front()));
  if (const auto failed = session.Open()) return *failed;
  return session.Run(
      command, runLog,
      [&](const LaneBinding& lane) {
        return make(lane, [](std::string_view line) { std::cout << line << '\n' << std::flush; });
      },
      options.repeat ? 0 : options.count);
}

}  // namespace tuneflash::cli
