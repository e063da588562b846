// `merge-satcodx IN.dld LIST.sdx... -o OUT.dld`: the SatcoDX import without a
// box: the lists go into the channel database of a Data download file.
#include <iostream>
#include <map>
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

// Status lines, one per line, as the window would show them in turn; the
// per-list summaries come as log lines. Quiet when stdout carries JSON.
class StatusLinePrinter : public RunObserver {
 public:
  explicit StatusLinePrinter(bool quiet) : quiet_(quiet) {}
  void SetRunControlsEnabled(bool) override {}
  void Pump() override {}

 protected:
  void OnStatusLine(const StatusLine& status) override { Print(status.text); }
  void OnLogLine(const LogLine& line) override { Print(line.text); }

 private:
  void Print(std::string_view text) {
    if (!quiet_) std::cout << text << "\n";
  }
  bool quiet_;
};

struct MergeOptions {
  std::string input;
  std::vector<std::string> lists;
  std::string output;
  std::string workdir;
  bool keepWork = false;
  bool json = false;
};

int RunMerge(const MergeOptions& o) {
  std::unique_ptr<PrivateWorkDirectory> workdir;
  Bytes source;
  try {
    workdir = std::make_unique<PrivateWorkDirectory>(o.workdir.empty() ? DefaultWorkDirectory()
                                                                       : std::filesystem::path(o.workdir));
    if (o.keepWork) {
      workdir->Keep();
      std::cerr << "tuneflash-cli: work files kept in " << workdir->path().string() << "\n";
    }
    source = ReadWholeFile(o.input);
  } catch (const std::exception& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  if (source.size() < kHeaderRecordSize || source[kHeaderPartitionCountOffset] != kDataPartitionCount) {
    std::cerr << "tuneflash-cli: '" << o.input << "' is not a Data set download file (8 partitions)\n";
    return kExitFailed;
  }
  const auto work = workdir->path() / kSatcoDxWorkFileName;
  auto db = std::make_unique<BoxDatabase>();
  ConversionState conversion;
  conversion.workDirectory = workdir->path();
  StatusLinePrinter printer(o.json);
  SatcoDxSession session{*db, conversion, printer, {}, {}};
  std::vector<std::filesystem::path> lists(o.lists.begin(), o.lists.end());
  try {
    WriteFileAtomically(work, source);
    const bool imported = ImportSatcoDxFiles(work, lists, session);
    if (o.json) WriteSatcoDxReportsJson(std::cout, session.reports);
    if (!imported) {
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
  if (!o.json) std::cout << "Wrote " << o.output << "\n";
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
                  "Directory under which the run makes its own work directory (default: the per-user state "
                  "directory)");
  cmd->add_flag("--keep-work", options->keepWork, "Keep the run's work directory and say where it is");
  const std::map<std::string, bool> formats{{"text", false}, {"json", true}};
  cmd->add_option("--format", options->json, "text (one summary line per list) or json")
      ->transform(CLI::CheckedTransformer(formats));
  cmd->callback([&context, options] { context.exitCode = RunMerge(*options); });
}

}  // namespace tuneflash::cli
