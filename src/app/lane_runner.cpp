// The lane's thread, and the queue from it to the window's thread.
#include "app/lane_runner.h"

#include <QMetaObject>
#include <chrono>
#include <optional>

namespace tuneflash::app {

// The observer on the lane's thread: every event is queued to the receiver's
// thread, in order. Progress comes far more often than a window repaints:
// it is handed on at most every kProgressPeriod, and the latest one always
// before any other event, so the bar stands where the run stood when that
// event was made.
class LaneRunner::Relay final : public RunObserver, public std::enable_shared_from_this<Relay> {
 public:
  Relay(QObject* receiver, EventSink sink) : receiver_(receiver), sink_(std::move(sink)) {}

  void OnEvent(const RunEvent& event) override {
    if (const auto* progress = std::get_if<JobProgress>(&event)) {
      pending_ = *progress;
      if (Clock::now() - lastProgress_ >= kProgressPeriod) PostProgress();
      return;
    }
    if (pending_) PostProgress();
    Post([self = shared_from_this(), event] { self->sink_(event); });
  }
  void SetRunControlsEnabled(bool) override {}
  void Pump() override {}

  // Queues `call` to the receiver's thread; dropped when the receiver is gone.
  void Post(std::function<void()> call) {
    QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kProgressPeriod = std::chrono::milliseconds(20);

  void PostProgress() {
    Post([self = shared_from_this(), progress = *pending_] { self->sink_(progress); });
    pending_.reset();
    lastProgress_ = Clock::now();
  }

  QObject* receiver_;
  EventSink sink_;
  // Only the lane's thread touches these.
  std::optional<JobProgress> pending_;
  Clock::time_point lastProgress_{};
};

LaneRunner::LaneRunner(QObject* parent) : QObject(parent) {}

LaneRunner::~LaneRunner() {
  stop_.Raise();
  Join();
}

void LaneRunner::Start(PortLane& lane, LaneJobMaker make, EventSink onEvent, EndSink onEnded) {
  Join();
  stop_.Clear();
  running_ = true;
  relay_ = std::make_shared<Relay>(this, std::move(onEvent));
  thread_ = std::thread([this, &lane, make = std::move(make), relay = relay_, onEnded = std::move(onEnded)] {
    const LaneEnd end = lane.Run(*relay, stop_, make);
    relay->Post([this, end, onEnded] {
      running_ = false;
      onEnded(end);
    });
  });
}

void LaneRunner::Stop() {
  stop_.Raise();
}

void LaneRunner::StopAndWait() {
  stop_.Raise();
  Join();
}

void LaneRunner::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace tuneflash::app
