// Box after box on one port.
#include "lane/port_lane.h"

#include <utility>

#include "link/start_loop.h"
#include "run/phase_watch.h"

namespace tuneflash {
namespace {

// The stream as the lane's waits see it: every pump first tests the stop
// token and closes the lane's port once it is raised, which ends every wait
// at its next poll.
class StoppingObserver final : public RunObserver {
 public:
  StoppingObserver(RunObserver& inner, const StopToken& stop, ComPort& port)
      : inner_(inner), stop_(stop), port_(port) {}

  void OnEvent(const RunEvent& event) override { inner_.OnEvent(event); }
  void SetRunControlsEnabled(bool enabled) override { inner_.SetRunControlsEnabled(enabled); }
  void Pump() override {
    CloseIfStopped();
    inner_.Pump();
  }
  void CloseIfStopped() {
    if (stop_.Raised() && port_.PortOpen()) port_.CloseComPort();
  }

 private:
  RunObserver& inner_;
  const StopToken& stop_;
  ComPort& port_;
};

LinkFailure LaneFailure(const ComPort& port, std::string detail) {
  LinkFailure failure;
  failure.device = port.DeviceName();
  failure.detail = std::move(detail);
  return failure;
}

}  // namespace

bool HelloFailureIsABox(const LinkFailure& failure) {
  switch (failure.cause) {
    case FailureCause::PortClosed:
    case FailureCause::PortGone:
    case FailureCause::NoReply:
    case FailureCause::Silent:
    case FailureCause::OpenFailed:
      return false;
    default:
      return true;
  }
}

PortLane::PortLane(ComPort& port, LaneSetup setup) : setup_(std::move(setup)), counting_(port) {}

LinkStatus PortLane::Open(const std::string& device) {
  if (device != setup_.port) counting_.SetPortLabel(setup_.port);
  return counting_.OpenComPort(device);
}

LaneEnd PortLane::Run(RunObserver& observer, const StopToken& stop, const LaneJobMaker& make) {
  // The boxes' own failures are reported and recorded inside; what is caught
  // here struck outside every box (making the job) and ends only this lane.
  std::optional<LinkFailure> outside;
  LaneEnd end;
  try {
    end = RunBoxes(observer, stop, make);
  } catch (const std::exception& e) {
    outside = LaneFailure(counting_, e.what());
  } catch (...) {
    outside = LaneFailure(counting_, "an unknown error");
  }
  if (outside) {
    end.lastSucceeded = false;
    end.failure = outside;
    observer.ReportFailure(*outside);
  }
  if (setup_.closeAtEnd) counting_.CloseComPort();
  return end;
}

LaneEnd PortLane::RunBoxes(RunObserver& observer, const StopToken& stop, const LaneJobMaker& make) {
  StoppingObserver stopping(observer, stop, counting_);
  PhaseWatch events(stopping);
  const LaneBinding binding{counting_, events, setup_.timing};
  const BoxJob job = make(binding);
  BoxLog log(setup_.runLog, setup_.command, setup_.port, counting_, setup_.boxesBefore);
  StartLoopOptions loop;
  loop.timing = setup_.timing;
  loop.nextBoxAfterSuccess = setup_.count != 1;
  loop.pauseAfterSuccess = [&] {
    if (stop.WaitFor(setup_.pauseAfterSuccess)) stopping.CloseIfStopped();
  };
  LaneEnd end;
  // A box that keeps sending frames other than its hello (a flash failure
  // it reports again and again) is one box: it gets one record until a box
  // says hello.
  bool helloFailureRecorded = false;
  for (;;) {
    loop.maxBoxes = setup_.count == 0 ? 0 : setup_.count - end.boxesSucceeded;
    const StartLoopResult result = RunStartLoop(
        counting_, events,
        [&] {
          helloFailureRecorded = false;
          return log.Run(job, events);
        },
        loop);
    end.boxesSucceeded += result.boxesSucceeded;
    end.lastSucceeded = result.lastSucceeded;
    end.failure = result.failure;
    // A box that spoke but did not say hello is counted, so it gets its record.
    if (result.failure && result.failure->phase == LinkPhase::Hello && HelloFailureIsABox(*result.failure) &&
        !std::exchange(helloFailureRecorded, true)) {
      const LinkFailure hello = *result.failure;
      log.Run(BoxJob{[hello] { return LinkStatus(hello); }, job.file, {}}, events);
    }
    end.boxesRecorded = log.counted();
    end.stopped = result.stoppedByUser || stop.Raised();
    if (end.stopped || !counting_.PortOpen() || result.lastSucceeded || !setup_.goOnAfterFailure) break;
  }
  return end;
}

}  // namespace tuneflash
