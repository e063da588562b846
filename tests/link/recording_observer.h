// A RunObserver that records every call as one line, so a test can assert
// the exact order of status texts and progress steps; a hook on the pump
// lets a test act in the middle of a wait (close the port, feed bytes).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/run_observer.h"

namespace tuneflash::testing {

class RecordingObserver : public RunObserver {
 public:
  void ShowStatus(std::string_view text) override { events.push_back("status " + std::string(text)); }
  void SetRunControlsEnabled(bool enabled) override {
    events.push_back(enabled ? "controls on" : "controls off");
  }
  void AddLogLine(std::string_view line) override { events.push_back("log " + std::string(line)); }
  void ResetProgress() override { events.push_back("reset"); }
  void StepProgress(int max, int step) override {
    events.push_back("step " + std::to_string(max) + " " + std::to_string(step));
  }
  void Pump() override {
    ++pumps;
    if (onPump) onPump();
  }
  void AddTransferredBytes(std::size_t count) override { bytes += count; }
  void OnProgress(const ProgressEvent& event) override { progress.push_back(event); }
  void ReportFailure(const LinkFailure& failure) override { failures.push_back(failure); }

  // The recorded lines that start with `kind` ("status", "log", ...), without it.
  std::vector<std::string> Only(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& e : events) {
      if (e.rfind(kind + " ", 0) == 0) out.push_back(e.substr(kind.size() + 1));
    }
    return out;
  }

  std::vector<std::string> events;
  std::function<void()> onPump;
  long pumps = 0;
  std::size_t bytes = 0;
  std::vector<ProgressEvent> progress;
  std::vector<LinkFailure> failures;
};

}  // namespace tuneflash::testing
