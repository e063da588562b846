// A pseudo-terminal whose far side nobody answers unless the test does: the
// window opens the device path like a serial port.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace tuneflash::app::testing {

class PtyPair {
 public:
  PtyPair() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      throw std::runtime_error("cannot create a pseudo-terminal");
    }
    device_ = ::ptsname(master_);
  }
  ~PtyPair() { ::close(master_); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& device() const { return device_; }
  int master() const { return master_; }

 private:
  int master_ = -1;
  std::string device_;
};

}  // namespace tuneflash::app::testing
