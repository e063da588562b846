// Processes and the box registry's place on POSIX.
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

#include "link/box_registry.h"
#include "link/process_facts.h"

namespace tuneflash {

bool ProcessRuns(ProcessId pid) {
  return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

ProcessId CurrentProcessId() {
  return ::getpid();
}

std::string HostName() {
  std::array<char, 256> host{};
  return ::gethostname(host.data(), host.size() - 1) == 0 ? std::string(host.data()) : std::string();
}

std::filesystem::path DefaultBoxRegistry() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  if (runtime != nullptr && *runtime != '\0' && std::filesystem::is_directory(runtime, ec)) {
    return std::filesystem::path(runtime) / "tuneflash-boxes";
  }
  return std::filesystem::temp_directory_path(ec) / ("tuneflash-boxes-" + std::to_string(::getuid()));
}

}  // namespace tuneflash
