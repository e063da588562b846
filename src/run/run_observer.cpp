// Handing each kind of event to its handler.
#include "run/run_observer.h"

namespace tuneflash {

void RunObserver::OnEvent(const RunEvent& event) {
  struct Dispatch {
    RunObserver& o;
    void operator()(const WaitingForBox&) const { o.OnWaitingForBox(); }
    void operator()(const BoxStarted& e) const { o.OnBoxStarted(e); }
    void operator()(const PhaseStarted& e) const { o.OnPhaseStarted(e); }
    void operator()(const StatusLine& e) const { o.OnStatusLine(e); }
    void operator()(const PartitionStep& e) const { o.OnPartitionStep(e); }
    void operator()(const JobProgress& e) const { o.OnJobProgress(e); }
    void operator()(const PhaseEnded& e) const { o.OnPhaseEnded(e); }
    void operator()(const LogLine& e) const { o.OnLogLine(e); }
    void operator()(const Failed& e) const { o.OnFailed(e); }
    void operator()(const Retrying& e) const { o.OnRetrying(e); }
    void operator()(const BoxEnded& e) const { o.OnBoxEnded(e); }
  };
  std::visit(Dispatch{*this}, event);
}

std::string DescribeRetry(const Retrying& retry) {
  std::string_view cause = CauseText(retry.cause);
  // The step's own limit stands in the count, not in the cause.
  if (retry.cause == FailureCause::NakLimit) cause = "the box refused the frame";
  if (retry.cause == FailureCause::PcRefused) cause = "the box's frame came bad";
  std::string text = std::string(cause) + ", trying again " + std::to_string(retry.miss);
  if (retry.limit > 0) text += " of " + std::to_string(retry.limit);
  return text;
}

}  // namespace tuneflash
