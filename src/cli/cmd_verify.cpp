// `verify`: does the box hold FILE.dld? Reads back exactly the partitions the
// file holds, into memory, and compares them with the file's; one line per
// partition. On one port or several at once.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/box_run.h"
#include "cli/commands.h"
#include "dld/file_io.h"
#include "link/verify.h"
#include "runlog/box_log.h"
#include "runlog/file_facts.h"

namespace tuneflash::cli {
namespace {

struct VerifyCommand {
  BoxRunOptions run;
  std::string file;
};

// "Partition 2 at 0x40006000: differs at 0x40006123"
std::string PartitionLine(const PartitionComparison& c) {
  char head[48];
  std::snprintf(head, sizeof head, "Partition %d at 0x%08X: ", c.index, c.address);
  return head + VerdictText(c);
}

// The file, read and verified with its images; prints why not and gives nothing.
std::optional<VerifyReport> ReadVerifiedFile(const std::string& path) {
  Bytes bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const FileError& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return std::nullopt;
  }
  VerifyReport report = VerifyDownloadFile(bytes, true);
  if (!report.ok()) {
    std::cerr << "tuneflash-cli: '" << path << "': " << DescribeVerifyFailure(*report.failure) << "\n";
    return std::nullopt;
  }
  return report;
}

int RunVerify(const VerifyCommand& o) {
  const auto expected = ReadVerifiedFile(o.file);
  if (!expected) return kExitUsage;
  const std::filesystem::path file = std::filesystem::absolute(o.file);
  // One box: read back, one line per partition, recorded with the comparisons.
  return RunBoxes(o.run, "verify",
                  [&](ComPort& port, RunObserver& observer, const LinkTiming& timing,
                      std::function<void(std::string_view)> print) {
                    auto result = std::make_shared<VerifyResult>();
                    return BoxJob{[&port, &observer, &expected, timing, print, result] {
                                    *result = VerifyBox(port, observer, *expected, timing);
                                    for (const auto& c : result->partitions) print(PartitionLine(c));
                                    return result->status;
                                  },
                                  [&file](bool) { return FactsOfFile(file); },
                                  [result] { return result->partitions; }};
                  });
}

}  // namespace

void AddVerifyCommand(CLI::App& app, CliContext& context) {
  auto o = std::make_shared<VerifyCommand>();
  auto* cmd = app.add_subcommand(
      "verify",
      "Check that the box on PORT holds FILE.dld: read back its partitions and compare (exit 0: same)");
  AddBoxRunOptions(*cmd, o->run, "Verify");
  cmd->add_option("file", o->file, "Download file (.dld) the box should hold")->required();
  cmd->callback([&context, o] { context.exitCode = RunVerify(*o); });
}

}  // namespace tuneflash::cli
