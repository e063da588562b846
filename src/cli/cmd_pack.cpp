// `pack` and `unpack`: download files from raw partition images and back.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "dld/builder.h"
#include "dld/file_io.h"
#include "dld/int_text.h"
#include "dld/partition_sets.h"
#include "dld/record_reader.h"

namespace tuneflash::cli {
namespace {

struct PackOptions {
  std::string set;
  std::string output;
  std::vector<std::string> images;
  int ident = 0;
  std::string manufacture;
  std::string hardwareModule;
  std::string hardwareVersion;
  std::string softwareModule;
  std::string softwareVersion;
  bool best = false;
};

int RunPack(const PackOptions& o) {
  const auto set = ParsePartitionSet(o.set);
  if (!set) {
    std::cerr << "tuneflash-cli: unknown partition set '" << o.set << "'\n";
    return kExitUsage;
  }
  const auto partitions = PartitionsOf(*set);
  if (o.images.size() != partitions.size()) {
    std::cerr << "tuneflash-cli: the " << PartitionSetName(*set) << " set has " << partitions.size()
              << " partitions; give one image for each (got " << o.images.size() << ")\n";
    return kExitUsage;
  }
  std::vector<Bytes> images;
  for (std::size_t i = 0; i < o.images.size(); ++i) {
    images.push_back(ReadWholeFile(o.images[i]));
    if (images.back().size() > partitions[i].size) {
      std::cerr << "tuneflash-cli: '" << o.images[i] << "' holds " << images.back().size()
                << " bytes; partition " << i << " takes at most " << partitions[i].size << "\n";
      return kExitUsage;
    }
  }
  FILE_DOWNLOAD_HEADER_T identity;
  identity.ucIdent = static_cast<std::uint8_t>(o.ident);
  SetFieldText(identity.acManufacture, o.manufacture);
  SetFieldText(identity.acHardwareModule, o.hardwareModule);
  SetFieldText(identity.acHardwareVersion, o.hardwareVersion);
  SetFieldText(identity.acSoftwareModule, o.softwareModule);
  SetFieldText(identity.acSoftwareVersion, o.softwareVersion);
  Bytes file;
  try {
    file = BuildDownloadFile(identity, *set, images, o.best ? Compression::Lzo1x999 : Compression::Lzo1x1);
  } catch (const std::length_error& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "; nothing written\n";
    return kExitFailed;
  }
  try {
    WriteFileAtomically(o.output, file);
  } catch (const FileError& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "\n";
    return kExitFailed;
  }
  std::cout << "Wrote " << o.output << ": " << PartitionSetName(*set) << " set, " << partitions.size()
            << " partitions, " << file.size() << " bytes\n";
  return kExitOk;
}

int RunUnpack(const std::string& path, const std::string& directory) {
  const Bytes file = ReadWholeFile(path);
  const VerifyReport report = VerifyDownloadFile(file, true);
  if (!report.ok()) {
    std::cerr << "tuneflash-cli: '" << path << "': " << DescribeVerifyFailure(*report.failure)
              << "; nothing written\n";
    return kExitFailed;
  }
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) {
    std::cerr << "tuneflash-cli: cannot create '" << directory << "': " << ec.message() << "\n";
    return kExitFailed;
  }
  for (const auto& p : report.partitions) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d_%08X.bin", p.index + 1, p.record.uiAddress);
    const auto target = std::filesystem::path(directory) / name;
    try {
      WriteFileAtomically(target, p.raw);
    } catch (const FileError& e) {
      std::cerr << "tuneflash-cli: " << e.what() << "\n";
      return kExitFailed;
    }
    std::cout << target.string() << " (" << p.raw.size() << " bytes)\n";
  }
  return kExitOk;
}

}  // namespace

void AddPackCommands(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<PackOptions>();
  auto* pack = app.add_subcommand("pack", "Build a download file of a partition set from raw images");
  pack->add_option("--set", options->set, "Partition set: data, default, key, loader, app or all")
      ->required();
  pack->add_option("-o,--output", options->output, "Download file to write")->required();
  pack->add_option("images", options->images, "One raw image per partition, in partition order")->required();
  pack->add_option("--ident", options->ident, "Ident for nocheck (0 or 1)")
      ->check(CLI::Range(0, 1))
      ->default_val(0);
  pack->add_option("--manufacture", options->manufacture, "Manufacture Ident (at most 15 characters)");
  pack->add_option("--hw-module", options->hardwareModule, "Hardware Module (at most 8 characters)");
  pack->add_option("--hw-version", options->hardwareVersion, "Hardware Version (at most 8 characters)");
  pack->add_option("--sw-module", options->softwareModule, "Software Module (at most 8 characters)");
  pack->add_option("--sw-version", options->softwareVersion, "Software Version (at most 8 characters)");
  pack->add_flag("--best", options->best, "Compress with LZO1X-999: a smaller file, a shorter download");
  pack->callback([&context, options] { context.exitCode = RunPack(*options); });

  auto file = std::make_shared<std::string>();
  auto directory = std::make_shared<std::string>();
  auto* unpack = app.add_subcommand("unpack", "Write each partition's raw image of a download file");
  unpack->add_option("file", *file, "Download file (.dld)")->required();
  unpack->add_option("dir", *directory, "Directory for the images")->required();
  unpack->callback([&context, file, directory] { context.exitCode = RunUnpack(*file, *directory); });
}

}  // namespace tuneflash::cli
