// A RunObserver that records what a sequence shows.
#pragma once

#include <string>
#include <vector>

#include "link/run_observer.h"

namespace tuneflash::testing {

class StatusRecorder : public RunObserver {
 public:
  void ShowStatus(std::string_view text) override { statuses.emplace_back(text); }
  void SetRunControlsEnabled(bool) override {}
  void AddLogLine(std::string_view line) override { log.emplace_back(line); }
  void ResetProgress() override {}
  void StepProgress(int, int) override {}
  void Pump() override { ++pumps; }

  std::vector<std::string> statuses;
  std::vector<std::string> log;
  int pumps = 0;
};

}  // namespace tuneflash::testing
