// Processes and the box registry's place on Windows.
#include <windows.h>

#include <cstdlib>

#include "link/box_registry.h"
#include "link/process_facts.h"

namespace tuneflash {

bool ProcessRuns(ProcessId pid) {
  if (pid <= 0 || pid > 0xFFFFFFFF) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

ProcessId CurrentProcessId() {
  return GetCurrentProcessId();
}

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

// %LOCALAPPDATA%\Tuneflash\boxes: the user's own, like the state.
std::filesystem::path DefaultBoxRegistry() {
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != L'\0') {
    return std::filesystem::path(local) / "Tuneflash" / "boxes";
  }
  std::error_code ec;
  return std::filesystem::temp_directory_path(ec) / "tuneflash-boxes";
}

}  // namespace tuneflash
