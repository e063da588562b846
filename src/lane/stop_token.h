// How a front end tells a lane to stop: one flag that the lane tests at every
// poll of its waits and that its pauses wait on. Raised from any thread; the
// lane closes its own port, so no lock ever sits around the protocol.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tuneflash {

class StopToken {
 public:
  void Raise() {
    {
      std::lock_guard lock(mutex_);
      raised_ = true;
    }
    changed_.notify_all();
  }
  // Lowers the flag again, for the next run of the same lanes.
  void Clear() {
    std::lock_guard lock(mutex_);
    raised_ = false;
  }
  bool Raised() const { return raised_; }
  // Waits up to `limit`; true when the flag is (or gets) raised.
  bool WaitFor(std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return raised_.load(); });
  }

 private:
  std::atomic<bool> raised_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
};

}  // namespace tuneflash
