// `channels FILE.dld [--format table|csv|json]`: the satellites, transponders
// and programs of a Data download file; the edits are its subcommands.
#include <iostream>
#include <map>
#include <memory>

#include "cli/channel_file.h"
#include "cli/commands.h"
#include "dld/file_io.h"
#include "satcodx/channel_listing.h"
#include "satcodx/database_conversion.h"

namespace tuneflash::cli {
namespace {

int RunChannels(const std::string& path, ListingFormat format) {
  auto db = std::make_unique<BoxDatabase>();
  ConversionState state;  // no work directory: nothing is written
  if (!DldToDatabase(path, *db, state)) {
    std::cerr << "tuneflash-cli: '" << path << "': " << state.failure << "\n";
    return kExitFailed;
  }
  WriteListing(std::cout, ListChannels(*db), format);
  return kExitOk;
}

}  // namespace

void AddChannelsCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "channels",
      "List the satellites, transponders and programs of a Data download file, or edit its programs");
  auto path = std::make_shared<std::string>();
  auto format = std::make_shared<ListingFormat>(ListingFormat::Table);
  cmd->add_option("file", *path, "Data set download file (.dld)");
  const std::map<std::string, ListingFormat> formats{
      {"table", ListingFormat::Table}, {"csv", ListingFormat::Csv}, {"json", ListingFormat::Json}};
  cmd->add_option("--format", *format, "table, csv or json")->transform(CLI::CheckedTransformer(formats));
  AddChannelEditCommands(*cmd, context);
  AddChannelSheetCommands(*cmd, context);
  cmd->require_subcommand(0, 1);
  cmd->callback([&context, cmd, path, format] {
    if (!cmd->get_subcommands().empty()) return;  // an edit ran
    if (path->empty()) throw CLI::RequiredError("file");
    context.exitCode = RunChannels(*path, *format);
  });
}

}  // namespace tuneflash::cli
