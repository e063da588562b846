// `verify`: does the box hold FILE.dld? Reads back exactly the partitions the
// file holds, into memory, and compares them with the file's; one line per
// partition. On one port or several at once.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/box_run.h"
#include "cli/commands.h"
#include "dld/file_io.h"
#include "link/link_file.h"
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

int RunVerify(const VerifyCommand& o) {
  // Read once: every box is compared with these bytes, and every record names their hash.
  const LinkFile file = ReadLinkFile(o.file, LinkFileUse::Compare);
  const VerifyReport expected = VerifyDownloadFile(*file.bytes, true);
  if (!expected.ok()) throw FileError(o.file, DescribeVerifyFailure(*expected.failure));
  const FileFacts facts = FactsOfBytes(file.path.string(), *file.bytes);
  // One box: read back, one line per partition, recorded with the comparisons.
  return RunBoxes(o.run, "verify", [&](const LaneBinding& lane, std::function<void(std::string_view)> print) {
    auto result = std::make_shared<VerifyResult>();
    return BoxJob{[lane, &expected, print, result] {
                    *result = VerifyBox(lane.port, lane.events, expected, lane.timing);
                    for (const auto& c : result->partitions) print(PartitionLine(c));
                    return result->status;
                  },
                  [&facts](bool) { return facts; }, [result] { return result->partitions; }};
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
