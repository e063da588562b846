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
    void operator()(const BoxEnded& e) const { o.OnBoxEnded(e); }
  };
  std::visit(Dispatch{*this}, event);
}

}  // namespace tuneflash
