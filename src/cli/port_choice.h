// The ports of a command that can run on several at once (download, verify):
// --port repeated and --ports COM.01-COM.08, in the order given.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/port_session.h"

namespace tuneflash::cli {

struct PortChoice {
  std::vector<std::string> ports;   // --port, each once
  std::vector<std::string> ranges;  // --ports
  bool trace = false;
  double timeoutSeconds = 0;
};

// Adds --port (repeatable), --ports, --trace and --timeout.
void AddPortChoiceOptions(CLI::App& command, PortChoice& choice);

// The ports named, --port ones first; prints the problem (a bad range, a
// port named twice, --trace with several ports) and gives nothing.
std::optional<std::vector<std::string>> ExpandPortChoice(const PortChoice& choice);

// The options of a run on the single port `name`.
PortOptions SinglePort(const PortChoice& choice, const std::string& name);

}  // namespace tuneflash::cli
