// `merge-satcodx IN.dld LIST.sdx... -o OUT.dld`: the SatcoDX import without a
// box: the lists go into the channel database of a Data download file.
#include <iostream>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "dld/file_io.h"
#include "dld/int_text.h"
#include "dld/partition_sets.h"
#include "dld/records.h"
#include "dld/work_dir.h"
#include "satcodx/satcodx_import.h"

namespace tuneflash::cli {
namespace {

// Status lines, one per line, as the window would show them in turn.
class StatusLinePrinter : public RunObserver {
 public:
  void ShowStatus(std::string_view text) override { std::cout << text << "\n"; }
  void SetRunControlsEnabled(bool) override {}
  void AddLogLine(std::string_view line) override { std::cout << line << "\n"; }
  void ResetProgress() override {}
  void StepProgress(int, int) override {}
  void Pump() override {}
};

struct MergeOptions {
  std::string input;
  std::vector<std::string> lists;
  std::string output;
  std::string workdir;
};

int RunMerge(const MergeOptions& o) {
  std::filesystem::path workdir;
  Bytes source;
  try {
    workdir = o.workdir.empty() ? DefaultWorkDirectory() : std::filesystem::path(o.workdir);
    std::filesystem::create_directories(workdir);
    source = ReadWholeFile(o.input);
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  if (source.size() < kHeaderRecordSize || source[kHeaderPartitionCountOffset] != kDataPartitionCount) {
    std::cerr << "tuneflash-cli: '" << o.input << "' is not a Data set download file (8 partitions)\n";
    return kExitFailed;
  }
  const auto work = workdir / kSatcoDxWorkFileName;
  auto db = std::make_unique<BoxDatabase>();
  ConversionState conversion;
  conversion.workDirectory = workdir;
  StatusLinePrinter printer;
  SatcoDxSession session{*db, conversion, printer, {}, {}};
  std::vector<std::filesystem::path> lists(o.lists.begin(), o.lists.end());
  try {
    WriteFileAtomically(work, source);
    if (!ImportSatcoDxFiles(work, lists, session)) {
      if (!conversion.failure.empty())
        std::cerr << "tuneflash-cli: '" << o.input << "': " << conversion.failure << "\n";
      std::cerr << "tuneflash-cli: no list was merged; nothing written\n";
      return kExitFailed;
    }
    WriteFileAtomically(o.output, ReadWholeFile(work));
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "; nothing written\n";
    return kExitFailed;
  }
  std::cout << "Wrote " << o.output << "\n";
  return kExitOk;
}

}  // namespace

void AddMergeSatcoDxCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<MergeOptions>();
  auto* cmd = app.add_subcommand("merge-satcodx",
                                 "Merge SatcoDX lists into the channel database of a Data download file");
  cmd->add_option("input", options->input, "Data set download file (.dld)")->required();
  cmd->add_option("lists", options->lists, "SatcoDX lists (.sdx), imported in order")->required();
  cmd->add_option("-o,--output", options->output, "Download file to write")->required();
  cmd->add_option("--workdir", options->workdir,
                  "Directory for the work files (default: the per-user state directory)");
  cmd->callback([&context, options] { context.exitCode = RunMerge(*options); });
}

}  // namespace tuneflash::cli
