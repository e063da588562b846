// How the main thread tells every port of a bench run to stop: one flag that
// the ports' observers test when they pump and that their pauses wait on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tuneflash::cli {

class StopFlag {
 public:
  void Raise() {
    {
      std::lock_guard lock(mutex_);
      raised_ = true;
    }
    changed_.notify_all();
  }
  bool Raised() const { return raised_; }
  // Waits up to `limit`; true when the flag is (or gets) raised.
  bool WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return raised_.load(); });
  }

 private:
  std::atomic<bool> raised_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace tuneflash::cli
