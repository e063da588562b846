// `repack [--best] IN.dld -o OUT.dld`: a verified download file compressed
// again, with the same identity and partitions.
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "dld/file_io.h"
#include "dld/repack.h"

namespace tuneflash::cli {
namespace {

struct RepackOptions {
  std::string input;
  std::string output;
  bool best = false;
};

int RunRepack(const RepackOptions& o) {
  const Bytes source = ReadWholeFile(o.input);
  RepackResult result;
  try {
    result = RepackDownloadFile(source, o.best ? Compression::Lzo1x999 : Compression::Lzo1x1);
  } catch (const std::length_error& e) {
    std::cerr << "tuneflash-cli: '" << o.input << "': " << e.what() << "; nothing written\n";
    return kExitFailed;
  }
  if (!result.ok()) {
    std::cerr << "tuneflash-cli: '" << o.input << "': " << DescribeVerifyFailure(*result.failure)
              << "; nothing written\n";
    return kExitFailed;
  }
  try {
    WriteFileAtomically(o.output, result.file);
  } catch (const FileError& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitFailed;
  }
  std::cout << "Wrote " << o.output << ": " << source.size() << " -> " << result.file.size() << " bytes ("
            << (o.best ? "LZO1X-999" : "LZO1X-1") << ")\n";
  return kExitOk;
}

}  // namespace

void AddRepackCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<RepackOptions>();
  auto* cmd = app.add_subcommand("repack", "Verify a download file and compress its partitions again");
  cmd->add_option("file", options->input, "Download file to read (.dld)")->required();
  cmd->add_option("-o,--output", options->output, "Download file to write")->required();
  cmd->add_flag("--best", options->best, "Compress with LZO1X-999: a smaller file, a shorter download");
  cmd->callback([&context, options] { context.exitCode = RunRepack(*options); });
}

}  // namespace tuneflash::cli
