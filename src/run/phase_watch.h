// An observer in front of another that remembers the phase a job last
// started, so that a job boundary can name where an exception struck.
#pragma once

#include <atomic>

#include "run/run_observer.h"

namespace tuneflash {

class PhaseWatch final : public RunObserver {
 public:
  explicit PhaseWatch(RunObserver& inner) : inner_(inner) {}

  // A new box: its job starts in `phase`.
  void Restart(LinkPhase phase) { phase_ = phase; }
  // The phase the job is in (the last one started).
  LinkPhase phase() const { return phase_; }

  void OnEvent(const RunEvent& event) override {
    if (const auto* started = std::get_if<PhaseStarted>(&event)) phase_ = started->phase;
    inner_.OnEvent(event);
  }
  void SetRunControlsEnabled(bool enabled) override { inner_.SetRunControlsEnabled(enabled); }
  void Pump() override { inner_.Pump(); }

 private:
  RunObserver& inner_;
  std::atomic<LinkPhase> phase_{LinkPhase::Verify};
};

}  // namespace tuneflash
