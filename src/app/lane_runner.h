// A port lane run from the window: the lane works on a thread of its own and
// its events come to the window's thread, queued, in the order the lane made
// them (bursts of progress folded into the latest). The GUI thread never
// waits on the line; stopping raises the lane's token, which the lane notices
// within one poll.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "lane/port_lane.h"

namespace tuneflash::app {

class LaneRunner : public QObject {
  Q_OBJECT
 public:
  using EventSink = std::function<void(const RunEvent&)>;
  using EndSink = std::function<void(const LaneEnd&)>;

  explicit LaneRunner(QObject* parent = nullptr);
  // Stops the lane and waits for its thread.
  ~LaneRunner() override;

  // Runs `lane` with `make` on a new thread. Each event reaches `onEvent`,
  // and the end `onEnded`, on this object's thread. `lane` must stay until
  // the end has been delivered. Only one lane at a time.
  void Start(PortLane& lane, LaneJobMaker make, EventSink onEvent, EndSink onEnded);
  // Asks the running lane to stop; its end follows.
  void Stop();
  // Stops the lane and waits for its thread (its end is not delivered).
  void StopAndWait();
  // A lane runs (its end has not been delivered yet).
  bool running() const { return running_; }

 private:
  class Relay;
  void Join();

  std::shared_ptr<Relay> relay_;
  StopToken stop_;
  std::thread thread_;
  bool running_ = false;
};

}  // namespace tuneflash::app
