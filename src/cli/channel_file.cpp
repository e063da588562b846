// Opening a Data file for channel edits and writing the edited one.
#include "cli/channel_file.h"

#include <filesystem>
#include <iostream>

#include "channels/channel_error.h"
#include "cli/commands.h"
#include "dld/file_io.h"

namespace tuneflash::cli {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ignored;
  return std::filesystem::equivalent(a, b, ignored);
}

}  // namespace

int OpenChannelFile(const std::string& path, ChannelFile& file) {
  file.path = path;
  try {
    file.bytes = ReadWholeFile(path);
  } catch (const FileError& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  if (!DldBytesToDatabase(file.bytes, *file.db, file.state)) {
    std::cerr << "tuneflash-cli: '" << path << "': " << file.state.failure << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

void AddEditOutputOptions(CLI::App& cmd, EditOutput& out) {
  cmd.add_option("-o,--output", out.output, "Download file to write (written beside, then renamed)");
  cmd.add_flag("--in-place", out.inPlace, "Write over the input file");
  cmd.add_flag("--dry-run", out.dryRun, "Print what would change; write nothing");
}

void AddSelectorOptions(CLI::App& cmd, ProgramSelector& s) {
  cmd.add_option("--slot", s.slots, "Program slot (repeatable)");
  cmd.add_option("--name", s.name, "Program name or pattern ('*', '?'; any case)");
  cmd.add_option("--satellite", s.satellite, "Orbital position as listed, e.g. 19.2");
  cmd.add_option("--type", s.type, "tv, radio, data or other");
  const std::map<std::string, bool> yesNo{{"yes", true}, {"no", false}};
  cmd.add_option("--scrambled", s.scrambled, "yes or no")->transform(CLI::CheckedTransformer(yesNo));
}

int CheckEditOutput(const std::string& input, const EditOutput& out) {
  if (out.dryRun) return kExitOk;
  if (out.inPlace && !out.output.empty() && !SameFile(input, out.output)) {
    std::cerr << "tuneflash-cli: give either -o OUT.dld or --in-place\n";
    return kExitUsage;
  }
  if (!out.inPlace && out.output.empty()) {
    std::cerr << "tuneflash-cli: say where to write: -o OUT.dld, or --in-place to write over the input\n";
    return kExitUsage;
  }
  if (!out.inPlace && SameFile(input, out.output)) {
    std::cerr << "tuneflash-cli: '" << out.output << "' is the input; writing over it needs --in-place\n";
    return kExitUsage;
  }
  return kExitOk;
}

int WriteChannelEdit(ChannelFile& file, const ChannelPlan& plan, const EditOutput& out) {
  const std::string target = out.inPlace ? file.path : out.output;
  try {
    const EditSummary summary = ApplyPlan(*file.db, plan);
    std::cout << SummaryText(summary) << (out.dryRun ? " (dry run: nothing written)" : "") << "\n";
    if (out.dryRun) return kExitOk;
    if (IsEmpty(plan)) {
      if (!out.inPlace) WriteFileAtomically(target, file.bytes);
    } else {
      DatabaseToDld(target, *file.db, file.state);
    }
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "; nothing written\n";
    return kExitFailed;
  }
  std::cout << "Wrote " << target << "\n";
  return kExitOk;
}

}  // namespace tuneflash::cli
