// A RunObserver that records every call as one line, so a test can assert
// the exact order of status texts and progress steps; a hook on the pump
// lets a test act in the middle of a wait (close the port, feed bytes).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "run/run_observer.h"

namespace tuneflash::testing {

class RecordingObserver : public RunObserver {
 public:
  void OnEvent(const RunEvent& event) override {
    stream.push_back(event);
    RunObserver::OnEvent(event);
  }
  void SetRunControlsEnabled(bool enabled) override {
    events.push_back(enabled ? "controls on" : "controls off");
  }
  void Pump() override {
    ++pumps;
    if (onPump) onPump();
  }

  // The recorded lines that start with `kind` ("status", "log", ...), without it.
  std::vector<std::string> Only(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& e : events) {
      if (e.rfind(kind + " ", 0) == 0) out.push_back(e.substr(kind.size() + 1));
    }
    return out;
  }

  std::vector<std::string> events;
  std::vector<RunEvent> stream;  // every event as it came
  std::function<void()> onPump;
  long pumps = 0;
  std::uint64_t bytes = 0;  // data bytes through, from the job's progress
  std::vector<LinkFailure> failures;

 protected:
  void OnWaitingForBox() override { events.push_back("reset"); }
  void OnStatusLine(const StatusLine& status) override { events.push_back("status " + status.text); }
  void OnPartitionStep(const PartitionStep& step) override {
    events.push_back("step " + std::to_string(step.partitions) + " 1");
  }
  void OnJobProgress(const JobProgress& progress) override { bytes = progress.lineBytes; }
  void OnLogLine(const LogLine& line) override { events.push_back("log " + line.text); }
  void OnFailed(const Failed& failed) override { failures.push_back(failed.failure); }
};

}  // namespace tuneflash::testing
