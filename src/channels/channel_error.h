// The one way the channel edits fail: a message, and the line of the input
// it concerns when there is one.
#pragma once

#include <stdexcept>
#include <string>

namespace tuneflash {

class ChannelEditError : public std::runtime_error {
 public:
  explicit ChannelEditError(const std::string& what, int line = 0)
      : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + what : what), line_(line) {}
  int line() const noexcept { return line_; }  // 0 when no line is concerned

 private:
  int line_;
};

}  // namespace tuneflash
