// The lane's thread, and the queue from it to the window's thread.
#include "app/lane_runner.h"

#include <QMetaObject>
#include <mutex>
#include <optional>

namespace tuneflash::app {

// The observer on the lane's thread: every event is queued to the receiver's
// thread. Progress comes far more often than a window repaints, so progress
// events wait in one slot and only the latest is handed on.
class LaneRunner::Relay final : public RunObserver, public std::enable_shared_from_this<Relay> {
 public:
  Relay(QObject* receiver, EventSink sink) : receiver_(receiver), sink_(std::move(sink)) {}

  void OnEvent(const RunEvent& event) override {
    if (const auto* progress = std::get_if<JobProgress>(&event)) {
      std::lock_guard lock(mutex_);
      const bool queued = latest_.has_value();
      latest_ = *progress;
      if (queued) return;
      Post([self = shared_from_this()] { self->FlushProgress(); });
      return;
    }
    // Whatever follows a progress event is handed on after it.
    Post([self = shared_from_this(), event] {
      self->FlushProgress();
      self->sink_(event);
    });
  }
  void SetRunControlsEnabled(bool) override {}
  void Pump() override {}

  // Queues `call` to the receiver's thread; dropped when the receiver is gone.
  void Post(std::function<void()> call) {
    QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
  }

 private:
  void FlushProgress() {
    std::optional<JobProgress> latest;
    {
      std::lock_guard lock(mutex_);
      latest.swap(latest_);
    }
    if (latest) sink_(*latest);
  }

  QObject* receiver_;
  EventSink sink_;
  std::mutex mutex_;
  std::optional<JobProgress> latest_;
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

void LaneRunner::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace tuneflash::app
