// `info FILE.dld`: the identity a download file carries and a verification of
// every record.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "dld/file_io.h"
#include "dld/partition_sets.h"
#include "dld/record_reader.h"

namespace tuneflash::cli {
namespace {

const char* Mark(bool ok) {
  return ok ? "ok" : "FAIL";
}

// Packed size as a share of the raw size, "-" for an empty partition.
std::string Ratio(std::uint64_t packed, std::uint64_t raw) {
  if (raw == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(packed) / static_cast<double>(raw));
  return text;
}

// The sizes and ratio over every partition whose record holds.
void PrintFileRatio(const std::vector<PartitionReport>& partitions) {
  std::uint64_t raw = 0;
  std::uint64_t packed = 0;
  for (const auto& p : partitions) {
    if (!p.recordOk) continue;
    raw += p.record.uiRawSize;
    packed += p.record.uiPackedSize;
  }
  std::printf("Compression:       %llu raw bytes packed to %llu, ratio %s\n",
              static_cast<unsigned long long>(raw), static_cast<unsigned long long>(packed),
              Ratio(packed, raw).c_str());
}

void PrintIdentity(const FILE_DOWNLOAD_HEADER_T& header) {
  const auto show = MakeHeaderShow(header);
  std::cout << "Ident for nocheck: " << int{show.ident} << "\n"
            << "Manufacture Ident: " << show.manufacture << "\n"
            << "Hardware Module:   " << show.hardwareModule << "\n"
            << "Hardware Version:  " << show.hardwareVersion << "\n"
            << "Software Module:   " << show.softwareModule << "\n"
            << "Software Version:  " << show.softwareVersion << "\n";
  const auto set = PartitionSetForCount(header.ucPartitionCount);
  std::cout << "Partition type:    " << int{header.ucPartitionType};
  if (set && TypeCodeForCount(header.ucPartitionCount) == header.ucPartitionType) {
    std::cout << " (" << PartitionSetName(*set) << ")";
  }
  std::cout << "\nPartitions:        " << int{header.ucPartitionCount} << "\n";
}

int RunInfo(const std::string& path) {
  const Bytes file = ReadWholeFile(path);
  const VerifyReport report = VerifyDownloadFile(file);
  std::cout << "File:              " << path << " (" << file.size() << " bytes)\n";
  if (report.header) {
    PrintIdentity(*report.header);
    const auto total = report.header->iTotalSize;
    std::cout << "Total size:        " << total
              << (total == file.size() ? " (matches the file)" : " (file differs)") << "\n";
  }
  if (!report.partitions.empty()) {
    std::printf("%3s  %-10s  %4s  %8s  %8s  %5s  %-6s  %-4s  %-6s  %s\n", "#", "address", "attr", "raw",
                "packed", "ratio", "record", "data", "unpack", "raw crc");
    for (const auto& p : report.partitions) {
      if (!p.recordOk) {
        std::printf("%3d  %-10s  %4s  %8s  %8s  %5s  %-6s\n", p.index + 1, "?", "?", "?", "?", "?",
                    Mark(false));
        continue;
      }
      std::printf("%3d  0x%08X  %4d  %8u  %8u  %5s  %-6s  %-4s  %-6s  %s\n", p.index + 1, p.record.uiAddress,
                  p.record.ucAttribute, p.record.uiRawSize, p.record.uiPackedSize,
                  Ratio(p.record.uiPackedSize, p.record.uiRawSize).c_str(), Mark(p.recordOk), Mark(p.dataOk),
                  p.dataOk ? Mark(p.decompressOk) : "-", p.decompressOk ? Mark(p.rawCrcOk) : "-");
    }
    PrintFileRatio(report.partitions);
  }
  std::fflush(stdout);
  if (report.ok()) {
    std::cout << "Result: every record holds\n";
    return kExitOk;
  }
  std::cout << "Result: FAILED at " << DescribeVerifyFailure(*report.failure) << "\n";
  return kExitFailed;
}

}  // namespace

void AddInfoCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("info", "Show the identity of a download file and verify every record");
  auto path = std::make_shared<std::string>();
  cmd->add_option("file", *path, "Download file (.dld)")->required();
  cmd->callback([&context, path] { context.exitCode = RunInfo(*path); });
}

}  // namespace tuneflash::cli
