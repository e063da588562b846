// The download file a window run sends: read once when the run starts, and
// replaced by the window's thread when the person changes the file between
// two boxes (a new file chosen, its identity edited). The lane's thread
// takes the file as it stands at the start of each box and sends those bytes.
#pragma once

#include <memory>
#include <mutex>

#include "link/link_file.h"

namespace tuneflash::app {

class RunFileSlot {
 public:
  explicit RunFileSlot(LinkFile file) : file_(std::make_shared<const LinkFile>(std::move(file))) {}

  void Replace(LinkFile file) {
    auto replaced = std::make_shared<const LinkFile>(std::move(file));
    std::lock_guard lock(mutex_);
    file_ = std::move(replaced);
  }
  std::shared_ptr<const LinkFile> Take() const {
    std::lock_guard lock(mutex_);
    return file_;
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const LinkFile> file_;
};

}  // namespace tuneflash::app
