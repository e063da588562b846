// A Data download file opened for channel edits, and how an edit is written:
// the summary first, then (unless a dry run) the new file beside its target
// and renamed over it.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "boxdb/box_database.h"
#include "channels/channel_edits.h"
#include "channels/channel_plan.h"
#include "cli/commands.h"
#include "dld/bytes.h"
#include "satcodx/database_conversion.h"

namespace tuneflash::cli {

struct ChannelFile {
  std::string path;
  Bytes bytes;  // the file as read, once
  std::unique_ptr<BoxDatabase> db = std::make_unique<BoxDatabase>();
  ConversionState state;
};

// Reads and decodes `path`; on failure prints why and returns the exit code
// (2 a file that cannot be read, 1 one that is not a sound Data file).
int OpenChannelFile(const std::string& path, ChannelFile& file);

struct EditOutput {
  std::string output;
  bool inPlace = false;
  bool dryRun = false;
};

// -o/--output, --in-place, --dry-run on `cmd`.
void AddEditOutputOptions(CLI::App& cmd, EditOutput& out);

// --slot, --name, --satellite, --type, --scrambled on `cmd`.
void AddSelectorOptions(CLI::App& cmd, ProgramSelector& selector);

// 0 when the output options say where to write (or it is a dry run), else
// prints why and returns 2.
int CheckEditOutput(const std::string& input, const EditOutput& out);

// Prints the summary of `plan`, applies it and writes the result. A plan
// without changes writes the input's bytes unchanged. Returns the exit code.
int WriteChannelEdit(ChannelFile& file, const ChannelPlan& plan, const EditOutput& out);

// The edits under `channels`: rename, delete, move, fav; and export, apply, order.
void AddChannelEditCommands(CLI::App& channels, CliContext& context);
void AddChannelSheetCommands(CLI::App& channels, CliContext& context);

}  // namespace tuneflash::cli
