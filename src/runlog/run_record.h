// One record per box a run handled: when, where, which file, how it ended and
// what crossed the line. Turned into one JSON object (one line of a JSON
// Lines file) here; the fields are listed in the README.
#pragma once

#include <chrono>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "dld/partition_compare.h"
#include "runlog/file_facts.h"

namespace tuneflash {

enum class RunOutcome { Success, Failed, Stopped };

// Why a box failed, as the link layer described it.
struct RecordedFailure {
  std::string phase;                  // "Verify", "Transfer", "Erase", ...
  int partition = 0;                  // 1-based; 0 for none
  std::uint32_t block = 0;            // 1-based data block number; 0 for none
  std::string cause;                  // what went wrong, in a few words
  std::optional<std::uint8_t> reply;  // the last reply byte seen from the box
  std::string text;                   // the whole reason as one line
};

// What crossed the line for one box.
struct LineCounts {
  std::uint64_t bytesSent = 0;
  std::uint64_t bytesReceived = 0;
  int naks = 0;     // refusals (0x15) either way
  int resends = 0;  // frames the PC sent again
};

struct RunRecord {
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
  std::string station;  // the bench's name (host name unless --station)
  std::string runId;    // the command run the box belongs to
  std::string port;     // as the operator named it ("COM.03", a path)
  std::string device;   // the device it opened
  std::string command;  // "download", "upload", "verify", "satcodx"
  int box = 0;          // 1-based count of boxes on this port in this run
  FileFacts file;
  RunOutcome outcome = RunOutcome::Failed;
  std::optional<RecordedFailure> failure;
  LineCounts counts;
  std::vector<PartitionComparison> partitions;  // verify only
};

std::string_view OutcomeName(RunOutcome outcome);  // "success", "failed", "stopped"

// "2026-12-08T18:30:05.123Z".
std::string FormatUtc(std::chrono::system_clock::time_point when);

nlohmann::ordered_json RecordToJson(const RunRecord& record);

// The record as one line of JSON ending in '\n'. Bytes of the file's text
// fields that are not UTF-8 become U+FFFD rather than failing the record.
std::string RecordLine(const RunRecord& record);

// "Box 3: Update Success! in 1:47": the box number, `verdict` (the front
// end's text for how the box ended) and the time it took, minutes:seconds.
std::string BoxSummaryLine(int box, std::string_view verdict, std::chrono::milliseconds took);

}  // namespace tuneflash
