// `channels export FILE.dld -o list.csv`, `channels apply FILE.dld list.csv
// -o OUT.dld` and `channels order FILE.dld --like REF.dld -o OUT.dld`.
#include <iostream>
#include <memory>

#include "channels/channel_csv.h"
#include "channels/channel_error.h"
#include "channels/order_like.h"
#include "cli/channel_file.h"
#include "dld/file_io.h"

namespace tuneflash::cli {
namespace {

struct SheetRequest {
  std::string input;
  std::string other;  // the CSV file or the reference
  EditOutput output;
};

int RunExport(const SheetRequest& r) {
  ChannelFile file;
  if (const int code = OpenChannelFile(r.input, file); code != kExitOk) return code;
  const std::string csv = ExportChannelCsv(*file.db);
  try {
    WriteFileAtomically(r.output.output,
                        ByteSpan(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()));
  } catch (const FileError& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitFailed;
  }
  std::cout << "Wrote " << r.output.output << "\n";
  return kExitOk;
}

int RunApply(const SheetRequest& r) {
  if (const int code = CheckEditOutput(r.input, r.output); code != kExitOk) return code;
  ChannelFile file;
  if (const int code = OpenChannelFile(r.input, file); code != kExitOk) return code;
  Bytes csv;
  try {
    csv = ReadWholeFile(r.other);
  } catch (const FileError& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  ChannelPlan plan;
  try {
    plan = PlanFromCsv(*file.db, std::string_view(reinterpret_cast<const char*>(csv.data()), csv.size()));
  } catch (const ChannelEditError& e) {
    std::cerr << "tuneflash-cli: '" << r.other << "' " << e.what() << "; nothing written\n";
    return kExitFailed;
  }
  return WriteChannelEdit(file, plan, r.output);
}

int RunOrder(const SheetRequest& r) {
  if (const int code = CheckEditOutput(r.input, r.output); code != kExitOk) return code;
  ChannelFile file, reference;
  if (const int code = OpenChannelFile(r.input, file); code != kExitOk) return code;
  if (const int code = OpenChannelFile(r.other, reference); code != kExitOk) return code;
  return WriteChannelEdit(file, PlanOrderLike(*file.db, *reference.db), r.output);
}

}  // namespace

void AddChannelSheetCommands(CLI::App& channels, CliContext& context) {
  auto exportRequest = std::make_shared<SheetRequest>();
  auto* exportCmd = channels.add_subcommand("export", "Write the program list as CSV for a spreadsheet");
  exportCmd->add_option("file", exportRequest->input, "Data set download file (.dld)")->required();
  exportCmd->add_option("-o,--output", exportRequest->output.output, "CSV file to write")->required();
  exportCmd->callback([&context, exportRequest] { context.exitCode = RunExport(*exportRequest); });

  auto apply = std::make_shared<SheetRequest>();
  auto* applyCmd = channels.add_subcommand(
      "apply", "Take names, favourites and order from an edited CSV; delete programs without a row");
  applyCmd->add_option("file", apply->input, "Data set download file (.dld)")->required();
  applyCmd->add_option("csv", apply->other, "The edited CSV (as export writes it)")->required();
  AddEditOutputOptions(*applyCmd, apply->output);
  applyCmd->callback([&context, apply] { context.exitCode = RunApply(*apply); });

  auto order = std::make_shared<SheetRequest>();
  auto* orderCmd =
      channels.add_subcommand("order", "Put the programs in the order of a reference file's list");
  orderCmd->add_option("file", order->input, "Data set download file (.dld)")->required();
  orderCmd->add_option("--like", order->other, "Data set download file whose order to take")->required();
  AddEditOutputOptions(*orderCmd, order->output);
  orderCmd->callback([&context, order] { context.exitCode = RunOrder(*order); });
}

}  // namespace tuneflash::cli
