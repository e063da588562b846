// The subcommands of tuneflash-cli. Each Add*Command registers one subcommand
// whose callback stores its exit code in the context.
#pragma once

#include <CLI/CLI.hpp>

namespace tuneflash::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// A run a stop signal ended exits with 128 + its number (StopSignals).

struct CliContext {
  int exitCode = kExitOk;
};

void AddInfoCommand(CLI::App& app, CliContext& context);
void AddSetIdentCommand(CLI::App& app, CliContext& context);
void AddPackCommands(CLI::App& app, CliContext& context);
void AddRepackCommand(CLI::App& app, CliContext& context);
void AddDownloadCommand(CLI::App& app, CliContext& context);
void AddUploadCommand(CLI::App& app, CliContext& context);
void AddVerifyCommand(CLI::App& app, CliContext& context);
void AddPortsCommand(CLI::App& app, CliContext& context);
void AddChannelsCommand(CLI::App& app, CliContext& context);
void AddMergeSatcoDxCommand(CLI::App& app, CliContext& context);
void AddSampleDataCommand(CLI::App& app, CliContext& context);
void AddSatcoDxCommand(CLI::App& app, CliContext& context);

}  // namespace tuneflash::cli
