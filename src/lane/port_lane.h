// A port lane: one port, box after box. It waits for a box's hello, runs the
// job, records the box, and waits for the next, until its boxes are done, a
// box fails, or the front end stops it. Every command of the CLI, on one port
// or on many, and the window run their boxes through it; it reaches them only
// through the run's event stream, on the thread that runs it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "lane/stop_token.h"
#include "link/com_port.h"
#include "link/link_waits.h"
#include "run/run_observer.h"
#include "runlog/box_log.h"
#include "runlog/counting_com_port.h"

namespace tuneflash {

// What a lane's job is bound to: the lane's port (counted for the records)
// and the stream its events go to (watched for the phase).
struct LaneBinding {
  ComPort& port;
  RunObserver& events;
  const LinkTiming& timing;
};

// Makes the job of the lane's boxes, once per run of the lane, on its thread.
using LaneJobMaker = std::function<BoxJob(const LaneBinding& lane)>;

struct LaneSetup {
  std::string port{};     // as the person named it ("COM.03", a device path): the records' port
  std::string command{};  // the records' command: "download", "upload", "verify", "satcodx"
  std::shared_ptr<const RunLogFile> runLog{};  // none: the records are only kept
  // Boxes to succeed before the lane ends; 0 for box after box until stopped.
  int count = 1;
  // A failed box does not end the lane; the next box is awaited.
  bool goOnAfterFailure = false;
  LinkTiming timing{};
  // The pause after a success before the next box is awaited; a stop ends it.
  std::chrono::milliseconds pauseAfterSuccess{1500};
  // Boxes recorded by earlier runs of the same port: the numbering goes on.
  int boxesBefore = 0;
  // The port is closed when the run ends; the window keeps it open for the
  // next Start (a stop or a lost device closes it all the same).
  bool closeAtEnd = true;
};

// How a run of the lane ended.
struct LaneEnd {
  bool lastSucceeded = false;
  bool stopped = false;  // the stop token, or the port closed under the run
  int boxesSucceeded = 0;
  int boxesRecorded = 0;  // those of earlier runs included
  // Why the last pass failed, a failed hello's included.
  std::optional<LinkFailure> failure;
};

// A box is a box once it has spoken: a hello that failed because the box
// sent something else is recorded; silence, a stop and a lost port are not.
bool HelloFailureIsABox(const LinkFailure& failure);

class PortLane {
 public:
  // `port` (the system's port, or a tracing wrapper of it) must outlive the lane.
  PortLane(ComPort& port, LaneSetup setup);

  // The lane's port, counted: what its jobs talk through.
  ComPort& port() { return counting_; }

  // Opens `device`; the records and reasons name the port as the setup does.
  LinkStatus Open(const std::string& device);

  // Runs box after box on the open port until the setup's count is reached,
  // a box fails (unless the setup goes on), the port goes away, or `stop` is
  // raised (noticed within one poll); then closes the port (see closeAtEnd). Every event goes
  // to `observer` on this thread. Never throws: a job's exception becomes its
  // box's failure in the phase it had reached, anything else ends the run
  // with the reason in the end's failure.
  LaneEnd Run(RunObserver& observer, const StopToken& stop, const LaneJobMaker& make);

  // What the next Run does; the port's name is fixed once the lane is open.
  LaneSetup& setup() { return setup_; }

 private:
  LaneEnd RunBoxes(RunObserver& observer, const StopToken& stop, const LaneJobMaker& make);

  LaneSetup setup_;
  CountingComPort counting_;
};

}  // namespace tuneflash
