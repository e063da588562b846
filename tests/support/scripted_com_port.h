// A serial port without a device, for tests and the link's fuzz target: the
// box's side is a script of steps, one taken at each wait of the PC, and
// every frame the PC writes is kept. Nothing blocks or sleeps, and once the
// script is used up the next wait finds the device gone, so every sequence
// ends. Steps are added one by one, or come from a source that reads them
// when they are due (the fuzz target's input, without copying it first).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "link/com_port.h"

namespace tuneflash::testing {

// What the box does at one wait of the PC.
struct ScriptStep {
  enum class Kind { Arrive, Close, GoAway, End };
  Kind kind = Kind::End;
  ByteSpan bytes;  // Arrive: what arrives; it must stay valid until the wait returns
};

class ScriptedComPort : public ComPort {
 public:
  // Gives the step of a wait once the added steps are used up; End ends the script.
  using StepSource = std::function<ScriptStep()>;

  // At one wait of the PC, `bytes` arrive (none: the wait passes in silence).
  void Serve(ByteSpan bytes) { steps_.push_back({StepKind::Arrive, Bytes(bytes.begin(), bytes.end())}); }
  // At one wait, the port is closed as by the user (Reset, Ctrl-C).
  void CloseAtWait() { steps_.push_back({StepKind::Close, {}}); }
  // At one wait, the device goes away (a pulled adapter).
  void GoAwayAtWait() { steps_.push_back({StepKind::GoAway, {}}); }
  void SetStepSource(StepSource source) { source_ = std::move(source); }

  LinkStatus OpenComPort(const std::string& device) override {
    device_ = device;
    queued_.clear();
    open_ = true;
    NotifyState(true);
    return LinkOk();
  }

  void CloseComPort() override {
    if (!open_) return;
    open_ = false;
    queued_.clear();
    NotifyState(false);
  }

  LinkStatus PurgeComPort() override {
    ++operations_;
    if (!open_) return Failure(FailureCause::PortClosed);
    queued_.clear();
    return LinkOk();
  }

  LinkStatus WriteComPort(ByteSpan frame) override {
    ++operations_;
    if (!open_) return Failure(FailureCause::PortClosed);
    queued_.clear();
    largestWrite_ = std::max(largestWrite_, frame.size());
    if (frame.size() > kMaxComFrame) return Failure(FailureCause::FrameTooLong);
    written_.emplace_back(frame.begin(), frame.end());
    return LinkOk();
  }

  LinkResult<bool> ReadComPort(MutableByteSpan dest) override {
    ++operations_;
    if (!open_) return Failure(FailureCause::PortClosed);
    largestRead_ = std::max(largestRead_, dest.size());
    if (dest.size() > kMaxComFrame) return Failure(FailureCause::FrameTooLong);
    if (queued_.size() < dest.size()) return false;
    if (queued_.size() > dest.size()) {
      queued_.clear();
      return false;
    }
    std::copy(queued_.begin(), queued_.end(), dest.begin());
    queued_.clear();
    return true;
  }

  bool PortOpen() const override { return open_; }

  // Takes the next step of the script; never waits.
  LinkStatus WaitForInput(std::size_t, std::chrono::microseconds) override {
    ++operations_;
    if (!open_) return Failure(FailureCause::PortClosed);
    ScriptStep step;
    if (next_ < steps_.size()) {
      step = {steps_[next_].kind, steps_[next_].bytes};
      ++next_;
    } else if (source_) {
      step = source_();
    }
    switch (step.kind) {
      case StepKind::Arrive:
        queued_.insert(queued_.end(), step.bytes.begin(), step.bytes.end());
        return LinkOk();
      case StepKind::Close:
        CloseComPort();
        return LinkOk();
      case StepKind::GoAway:
      case StepKind::End:
        return GoAway();
    }
    return LinkOk();
  }

  const std::string& DeviceName() const override { return device_; }

  // Every frame the PC wrote, in order.
  const std::vector<Bytes>& Written() const { return written_; }
  // The longest frame the PC wrote, and the longest it asked to read.
  std::size_t LargestWrite() const { return largestWrite_; }
  std::size_t LargestRead() const { return largestRead_; }
  // Calls of the primitives so far: a bound on them shows a sequence ends.
  long Operations() const { return operations_; }
  // Added steps not yet taken.
  std::size_t StepsLeft() const { return steps_.size() - next_; }

 private:
  using StepKind = ScriptStep::Kind;
  struct Step {
    StepKind kind;
    Bytes bytes;
  };

  LinkFailure Failure(FailureCause cause) const {
    LinkFailure f;
    f.cause = cause;
    f.device = device_;
    return f;
  }

  LinkFailure GoAway() {
    CloseComPort();
    LinkFailure f = Failure(FailureCause::PortGone);
    f.detail = device_ + " went away";
    return f;
  }

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  StepSource source_;
  Bytes queued_;
  std::vector<Bytes> written_;
  std::string device_;
  bool open_ = false;
  std::size_t largestWrite_ = 0;
  std::size_t largestRead_ = 0;
  long operations_ = 0;
};

}  // namespace tuneflash::testing
