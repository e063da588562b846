// The file calls under the run log, one set per platform
// (append_file_posix.cpp, append_file_win32.cpp). A descriptor is an int on
// both: POSIX's own, or a C runtime descriptor over a Windows handle opened
// for appending only.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tuneflash::append_file {

struct Opened {
  int fd = -1;
  bool regular = true;  // a file on disk (not a pipe or a terminal)
};

// What one call did: bytes written, or why it failed.
struct Outcome {
  std::size_t written = 0;
  std::optional<std::string> failure;
};

// Opens `path` for appending, creating it (mode 0644 on POSIX); each write
// lands at the end, even with other writers. `failure` says why not.
std::optional<Opened> Open(const std::filesystem::path& path, std::string& failure);

// The last byte of the regular file `path`, when it has one.
std::optional<char> LastByte(const std::filesystem::path& path);

// One write call of `data`; retried only when a signal came before any byte.
Outcome WriteOnce(int fd, std::string_view data);

// Flushes what was written to the disk. Nothing, or why not.
std::optional<std::string> Sync(int fd);

void Close(int fd);

}  // namespace tuneflash::append_file
