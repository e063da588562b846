// `channels FILE.dld [--format table|csv|json]`: the satellites, transponders
// and programs of a Data download file.
#include <iostream>
#include <map>
#include <memory>

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
  auto* cmd = app.add_subcommand("channels",
                                 "List the satellites, transponders and programs of a Data download file");
  auto path = std::make_shared<std::string>();
  auto format = std::make_shared<ListingFormat>(ListingFormat::Table);
  cmd->add_option("file", *path, "Data set download file (.dld)")->required();
  const std::map<std::string, ListingFormat> formats{
      {"table", ListingFormat::Table}, {"csv", ListingFormat::Csv}, {"json", ListingFormat::Json}};
  cmd->add_option("--format", *format, "table, csv or json")->transform(CLI::CheckedTransformer(formats));
  cmd->callback([&context, path, format] { context.exitCode = RunChannels(*path, *format); });
}

}  // namespace tuneflash::cli
