// Choosing one or several ports.
#include "cli/port_choice.h"

#include <algorithm>
#include <iostream>

#include "link/port_names.h"
#include "link/port_range.h"

namespace tuneflash::cli {

void AddPortChoiceOptions(CLI::App& command, PortChoice& choice) {
  // One value per --port, so that the file after it stays the file.
  command
      .add_option(
          "-p,--port", choice.ports,
          "COM.01..COM.10 or COM1..COM10 (see 'tuneflash-cli ports'), or a device path; give it again "
          "for more ports at once")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command
      .add_option("--ports", choice.ranges,
                  "Several ports at once: COM.01-COM.08, or ranges and names joined by commas")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  AddLineOptions(command, choice.trace, choice.timeoutSeconds);
}

std::optional<std::vector<std::string>> ExpandPortChoice(const PortChoice& choice) {
  std::vector<std::string> names = choice.ports;
  for (const auto& range : choice.ranges) {
    const auto parsed = ParsePortRange(range);
    if (parsed.problem) {
      std::cerr << "tuneflash-cli: " << *parsed.problem << "\n";
      return std::nullopt;
    }
    names.insert(names.end(), parsed.names.begin(), parsed.names.end());
  }
  if (names.empty()) {
    std::cerr << "tuneflash-cli: name the port with --port (or several with --ports)\n";
    return std::nullopt;
  }
  // COM.03 and COM3 are the same entry.
  const auto key = [](const std::string& name) {
    const auto index = PortEntryIndex(name);
    return index ? "COM." + std::to_string(*index + 1) : name;
  };
  for (auto it = names.begin(); it != names.end(); ++it) {
    if (std::find_if(names.begin(), it, [&](const std::string& n) { return key(n) == key(*it); }) != it) {
      std::cerr << "tuneflash-cli: the port " << *it << " is named twice\n";
      return std::nullopt;
    }
  }
  if (choice.trace && names.size() > 1) {
    std::cerr << "tuneflash-cli: --trace takes one port\n";
    return std::nullopt;
  }
  return names;
}

PortOptions SinglePort(const PortChoice& choice, const std::string& name) {
  return PortOptions{name, choice.trace, choice.timeoutSeconds};
}

}  // namespace tuneflash::cli
