// Ctrl-C, Ctrl-Break and the console on Windows.
#include <windows.h>

#include <atomic>

#include "cli/console_platform.h"

namespace tuneflash::cli {
namespace {

// The event of the living StopSignals. The console calls its control
// handler on a thread of its own without any context, so the event it sets is
// the one place this state can live.
std::atomic<HANDLE> interruptEvent{nullptr};

BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;  // closing or logging off: the default
  HANDLE event = interruptEvent.load();
  if (event == nullptr) return FALSE;
  SetEvent(event);
  return TRUE;
}

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

StopSignals::StopSignals() {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) return;
  handle_ = reinterpret_cast<std::intptr_t>(event);
  interruptEvent.store(event);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopSignals::~StopSignals() {
  if (handle_ == -1) return;
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  HANDLE mine = AsHandle(handle_);
  interruptEvent.compare_exchange_strong(mine, nullptr);
  CloseHandle(AsHandle(handle_));
}

bool StopSignals::Arrived() {
  return WaitFor(std::chrono::milliseconds(0));
}

bool StopSignals::WaitFor(std::chrono::milliseconds limit) {
  if (signal_ != 0 || handle_ == -1) return signal_ != 0;
  // Ctrl-C and Ctrl-Break both end the run as an interrupt (exit 130).
  if (WaitForSingleObject(AsHandle(handle_), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) signal_ = 2;
  return signal_ != 0;
}

bool StdoutIsTerminal() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (out == INVALID_HANDLE_VALUE || out == nullptr || !GetConsoleMode(out, &mode)) return false;
  // The bar redraws its line with "\r\033[K".
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace tuneflash::cli
