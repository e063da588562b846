// Run records as JSON.
#include "runlog/run_record.h"

#include <cmath>
#include <cstdio>

namespace tuneflash {
namespace {

using json = nlohmann::ordered_json;

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

json IdentityToJson(const FILE_DOWNLOAD_HEADER_T& header) {
  const auto show = MakeHeaderShow(header);
  return json{{"ident", header.ucIdent},
              {"manufacture", show.manufacture},
              {"hardware_module", show.hardwareModule},
              {"hardware_version", show.hardwareVersion},
              {"software_module", show.softwareModule},
              {"software_version", show.softwareVersion},
              {"partition_type", header.ucPartitionType},
              {"partitions", header.ucPartitionCount}};
}

json FileToJson(const FileFacts& file) {
  json out{{"name", file.name}};
  if (file.size) out["size"] = *file.size;
  if (!file.sha256.empty()) out["sha256"] = file.sha256;
  if (file.identity) out["identity"] = IdentityToJson(*file.identity);
  if (!file.problem.empty()) out["problem"] = file.problem;
  return out;
}

json FailureToJson(const RecordedFailure& failure) {
  json out{{"phase", failure.phase}, {"cause", failure.cause}, {"text", failure.text}};
  out["partition"] = failure.partition > 0 ? json(failure.partition) : json(nullptr);
  out["block"] = failure.block > 0 ? json(failure.block) : json(nullptr);
  if (failure.reply) out["reply"] = *failure.reply;
  return out;
}

json PartitionsToJson(const std::vector<PartitionComparison>& partitions) {
  json out = json::array();
  for (const auto& p : partitions) {
    json entry{{"index", p.index}, {"address", Hex32(p.address)}};
    switch (p.verdict) {
      case PartitionVerdict::Same:
        entry["result"] = "same";
        break;
      case PartitionVerdict::Differs:
        entry["result"] = "differs";
        entry["first_difference"] = Hex32(p.firstDifference.value_or(p.address));
        break;
      case PartitionVerdict::Missing:
        entry["result"] = "not read";
        break;
      case PartitionVerdict::Unsound:
        entry["result"] = "differs";
        entry["problem"] = "the box's record does not hold";
        break;
    }
    out.push_back(std::move(entry));
  }
  return out;
}

double Seconds(std::chrono::system_clock::duration d) {
  return std::round(std::chrono::duration<double>(d).count() * 1000.0) / 1000.0;
}

}  // namespace

std::string_view OutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Success:
      return "success";
    case RunOutcome::Failed:
      return "failed";
    case RunOutcome::Stopped:
      return "stopped";
  }
  return "failed";
}

std::string FormatUtc(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto millis = floor<milliseconds>(when);
  const auto day = floor<days>(millis);
  const year_month_day date{day};
  const hh_mm_ss time{millis - day};
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld.%03ldZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<long>(time.hours().count()), static_cast<long>(time.minutes().count()),
                static_cast<long>(time.seconds().count()), static_cast<long>(time.subseconds().count()));
  return text;
}

nlohmann::ordered_json RecordToJson(const RunRecord& record) {
  json out{{"start", FormatUtc(record.start)},
           {"end", FormatUtc(record.end)},
           {"duration_s", Seconds(record.end - record.start)},
           {"station", record.station},
           {"run_id", record.runId},
           {"port", record.port},
           {"device", record.device},
           {"command", record.command},
           {"box", record.box},
           {"file", FileToJson(record.file)},
           {"result", OutcomeName(record.outcome)},
           {"bytes_sent", record.counts.bytesSent},
           {"bytes_received", record.counts.bytesReceived},
           {"naks", record.counts.naks},
           {"resends", record.counts.resends}};
  out["failure"] = record.failure ? FailureToJson(*record.failure) : json(nullptr);
  if (!record.partitions.empty()) out["partitions"] = PartitionsToJson(record.partitions);
  return out;
}

std::string RecordLine(const RunRecord& record) {
  return RecordToJson(record).dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string BoxSummaryLine(int box, std::string_view verdict, std::chrono::milliseconds took) {
  const auto seconds = static_cast<long>((took.count() + 500) / 1000);
  char time[32];
  std::snprintf(time, sizeof time, " in %ld:%02ld", seconds / 60, seconds % 60);
  return "Box " + std::to_string(box) + ": " + std::string(verdict) + time;
}

}  // namespace tuneflash
