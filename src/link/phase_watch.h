// An observer in front of another that remembers the phase a job last
// started, so that a job boundary can name where an exception struck.
#pragma once

#include <atomic>

#include "link/run_observer.h"

namespace tuneflash {

class PhaseWatch final : public RunObserver {
 public:
  explicit PhaseWatch(RunObserver& inner) : inner_(inner) {}

  // A new box: its job starts in `phase`.
  void Restart(LinkPhase phase) { phase_ = phase; }
  // The phase the job is in (the last one started).
  LinkPhase phase() const { return phase_; }
  RunObserver& inner() { return inner_; }

  void ShowStatus(std::string_view text) override { inner_.ShowStatus(text); }
  void SetRunControlsEnabled(bool enabled) override { inner_.SetRunControlsEnabled(enabled); }
  void AddLogLine(std::string_view line) override { inner_.AddLogLine(line); }
  void ResetProgress() override { inner_.ResetProgress(); }
  void StepProgress(int max, int step) override { inner_.StepProgress(max, step); }
  void Pump() override { inner_.Pump(); }
  void AddTransferredBytes(std::size_t count) override { inner_.AddTransferredBytes(count); }
  void OnProgress(const ProgressEvent& event) override {
    if (event.kind == ProgressEvent::Kind::PhaseStarted) phase_ = event.phase;
    inner_.OnProgress(event);
  }
  void ReportFailure(const LinkFailure& failure) override { inner_.ReportFailure(failure); }

 private:
  RunObserver& inner_;
  std::atomic<LinkPhase> phase_{LinkPhase::Verify};
};

}  // namespace tuneflash
