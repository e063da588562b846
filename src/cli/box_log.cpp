// Records of boxes for --log.
#include "cli/box_log.h"

#include <iostream>

namespace tuneflash::cli {

void AddLogOption(CLI::App& command, std::string& path) {
  command.add_option("--log", path, "Append one JSON line per box to FILE (JSON Lines; see the README)");
}

bool OpenRunLog(const std::string& path, std::shared_ptr<const RunLogFile>& file) {
  file.reset();
  if (path.empty()) return true;
  RunLogFailure failure;
  auto opened = RunLogFile::Open(path, failure);
  if (!opened) {
    std::cerr << "tuneflash-cli: --log " << failure.Describe() << "\n";
    return false;
  }
  file = std::make_shared<const RunLogFile>(std::move(*opened));
  return true;
}

BoxLog::BoxLog(std::shared_ptr<const RunLogFile> file, std::string command, std::string port,
               std::string device)
    : file_(std::move(file)),
      command_(std::move(command)),
      port_(std::move(port)),
      device_(std::move(device)) {}

void BoxLog::BoxStarted() {
  ++box_;
  start_ = std::chrono::system_clock::now();
}

RunRecord BoxLog::BoxEnded(RunOutcome outcome, FileFacts file, BoxDetails details, RunObserver& observer) {
  RunRecord record;
  record.start = start_;
  record.end = std::chrono::system_clock::now();
  record.port = port_;
  record.device = device_;
  record.command = command_;
  record.box = box_;
  record.file = std::move(file);
  record.outcome = outcome;
  record.failure = std::move(details.failure);
  record.counts = details.counts;
  record.partitions = std::move(details.partitions);
  if (file_) {
    if (const auto failure = file_->Append(RecordLine(record))) {
      observer.AddLogLine("the record of box " + std::to_string(box_) +
                          " was not written: " + failure->Describe());
    }
  }
  return record;
}

}  // namespace tuneflash::cli
