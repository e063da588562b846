// What a run reports to whoever watches it: one typed event stream, the run
// controls, and the pump through which a stop reaches the waits. The window,
// the CLI and the tests each take the stream; nothing else reaches a person
// from the core.
#pragma once

#include <string>
#include <string_view>

#include "run/link_failure.h"
#include "run/run_events.h"

namespace tuneflash {

class RunObserver {
 public:
  virtual ~RunObserver() = default;

  // Every event of the run, in the order the run makes them. By default
  // each kind goes to its handler below; a relay (a queue to another
  // thread, a filter) overrides this instead.
  virtual void OnEvent(const RunEvent& event);
  // Enables or disables the run controls (Start, Open, mode and port lists).
  virtual void SetRunControlsEnabled(bool enabled) = 0;
  // Called on every poll of every wait: a front end that stops a run by
  // closing its port (Ctrl-C, a stop token) does it here.
  virtual void Pump() = 0;

  // The events most reports are, by what they say.
  void ShowStatus(std::string_view text) { OnEvent(StatusLine{std::string(text)}); }
  void AddLogLine(std::string_view line) { OnEvent(LogLine{std::string(line)}); }
  void ReportFailure(const LinkFailure& failure) { OnEvent(Failed{failure, DescribeFailure(failure)}); }

 protected:
  virtual void OnWaitingForBox() {}
  virtual void OnBoxStarted(const BoxStarted&) {}
  virtual void OnPhaseStarted(const PhaseStarted&) {}
  virtual void OnStatusLine(const StatusLine&) {}
  virtual void OnPartitionStep(const PartitionStep&) {}
  virtual void OnJobProgress(const JobProgress&) {}
  virtual void OnPhaseEnded(const PhaseEnded&) {}
  virtual void OnLogLine(const LogLine&) {}
  virtual void OnFailed(const Failed&) {}
  virtual void OnRetrying(const Retrying&) {}
  virtual void OnBoxEnded(const BoxEnded&) {}
};

}  // namespace tuneflash
