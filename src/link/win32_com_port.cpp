// The serial port on Win32.
#include "link/win32_com_port.h"

#include <windows.h>
// clang-format off: timeapi.h needs windows.h first
#include <timeapi.h>
// clang-format on

#include <algorithm>
#include <thread>

#include "dld/win32_error.h"
#include "link/port_opening.h"
#include "link/system_com_port.h"

namespace tuneflash {
namespace {

using Clock = std::chrono::steady_clock;

// Longest a write waits for its frame to leave: a 2048-byte frame needs
// under 200 ms at 115200 bit/s.
constexpr DWORD kWriteLimitMs = 2000;
// How often a wait asks the driver for queued input (and whether the device
// is still there).
constexpr auto kPollInterval = std::chrono::milliseconds(1);
// Driver queue sizes asked for: above the largest frame each way.
constexpr DWORD kQueueSize = 3072;

HANDLE AsHandle(void* handle) {
  return static_cast<HANDLE>(handle);
}

// wine maps COM ports to host devices; on a pseudo-terminal there even
// parity cannot take, as on POSIX, and is accepted without.
bool RunsUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// "COM5" -> "\\.\COM5" (the form that reaches COM10 and above); a path given
// with its prefix stays as it is.
std::string DevicePath(const std::string& device) {
  if (device.rfind("\\\\.\\", 0) == 0) return device;
  return "\\\\.\\" + device;
}

DCB LineSettings(DCB dcb, bool parity) {
  dcb.BaudRate = CBR_115200;
  dcb.ByteSize = 8;
  dcb.StopBits = ONESTOPBIT;
  dcb.Parity = parity ? EVENPARITY : NOPARITY;
  dcb.fBinary = TRUE;
  dcb.fParity = parity ? TRUE : FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  return dcb;
}

// True for the errors that mean the device is no longer there.
bool IsDeviceGoneError(DWORD error) {
  return error == ERROR_NOT_READY || error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_BAD_COMMAND ||
         error == ERROR_GEN_FAILURE || error == ERROR_OPERATION_ABORTED || error == ERROR_INVALID_HANDLE ||
         error == ERROR_ACCESS_DENIED || error == ERROR_DEV_NOT_EXIST;
}

}  // namespace

std::unique_ptr<ComPort> MakeSystemComPort() {
  return std::make_unique<Win32ComPort>();
}

Win32ComPort::~Win32ComPort() {
  CloseComPort();
}

LinkFailure Win32ComPort::Failure(FailureCause cause, std::string detail) const {
  LinkFailure f;
  f.cause = cause;
  f.device = device_;
  f.detail = std::move(detail);
  return f;
}

LinkFailure Win32ComPort::OpenFailure(const std::string& what) const {
  return Failure(FailureCause::OpenFailed, device_ + ": " + what);
}

LinkFailure Win32ComPort::Gone() {
  CloseComPort();
  return Failure(FailureCause::PortGone, WentAwayText(*this));
}

LinkFailure Win32ComPort::CallFailed(unsigned long error, FailureCause cause) {
  if (IsDeviceGoneError(error)) return Gone();
  return Failure(cause, Win32ErrorText(error));
}

LinkStatus Win32ComPort::OpenComPort(const std::string& device) {
  CloseComPort();
  device_ = device;
  // No sharing: the port is this program's until it closes it.
  HANDLE handle = CreateFileA(DevicePath(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return OpenFailure("does not exist");
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
      return OpenFailure("is in use by another program");
    return OpenFailure("cannot open: " + Win32ErrorText(error));
  }
  DCB probe{};
  probe.DCBlength = sizeof probe;
  if (!GetCommState(handle, &probe)) {
    CloseHandle(handle);
    return OpenFailure("is not a serial device");
  }
  handle_ = handle;
  open_ = true;
  // Waits poll the driver every millisecond; Windows' default timer would
  // stretch each sleep to about 16 ms.
  timeBeginPeriod(1);
  if (auto settled = SettleOpenedPort(*this, Configure()); !settled) return settled;
  NotifyState(true);
  return LinkOk();
}

LinkStatus Win32ComPort::Configure() {
  HANDLE handle = AsHandle(handle_);
  DCB current{};
  current.DCBlength = sizeof current;
  if (!GetCommState(handle, &current))
    return OpenFailure("cannot read the line settings: " + LastWin32ErrorText());
  const bool wine = RunsUnderWine();
  DCB want = LineSettings(current, true);
  if (!SetCommState(handle, &want)) {
    const std::string cause = LastWin32ErrorText();
    DCB withoutParity = LineSettings(current, false);
    if (!wine || !SetCommState(handle, &withoutParity)) return OpenFailure("refuses 115200 8E1: " + cause);
  }
  DCB got{};
  got.DCBlength = sizeof got;
  if (!GetCommState(handle, &got))
    return OpenFailure("cannot read the line settings: " + LastWin32ErrorText());
  const bool parityTook = got.Parity == EVENPARITY || wine;
  if (got.BaudRate != CBR_115200 || got.ByteSize != 8 || got.StopBits != ONESTOPBIT || !parityTook)
    return OpenFailure("did not take 115200 8E1");
  // Reads return at once with what is queued; a write gives up after the limit.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.WriteTotalTimeoutConstant = kWriteLimitMs;
  if (!SetCommTimeouts(handle, &timeouts))
    return OpenFailure("cannot set the timeouts: " + LastWin32ErrorText());
  SetupComm(handle, kQueueSize, kQueueSize);  // a hint; drivers may keep their own sizes
  return LinkOk();
}

void Win32ComPort::CloseComPort() {
  if (handle_ != nullptr) {
    open_ = false;
    CloseHandle(AsHandle(handle_));
    timeEndPeriod(1);
    handle_ = nullptr;
    NotifyState(false);
  }
  open_ = false;
}

LinkStatus Win32ComPort::PurgeComPort() {
  if (!open_) return Failure(FailureCause::PortClosed);
  if (!PurgeComm(AsHandle(handle_), PURGE_RXCLEAR | PURGE_RXABORT)) {
    const DWORD error = GetLastError();
    if (auto queued = CountQueued(); !queued) return queued.error();
    return CallFailed(error, FailureCause::Other);
  }
  return LinkOk();
}

// ClearCommError both reports the queued input and, by failing, a device
// that went away (ReadFile alone keeps returning 0 bytes then).
LinkResult<std::size_t> Win32ComPort::CountQueued() {
  if (!open_) return Failure(FailureCause::PortClosed);
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(AsHandle(handle_), &errors, &status)) return Gone();
  return static_cast<std::size_t>(status.cbInQue);
}

LinkStatus Win32ComPort::WriteComPort(ByteSpan frame) {
  if (!open_) return Failure(FailureCause::PortClosed);
  if (auto purged = PurgeComPort(); !purged) return purged;
  if (frame.size() > kMaxComFrame)
    return Failure(FailureCause::FrameTooLong, std::to_string(frame.size()) + " bytes");
  if (frame.empty()) return LinkOk();
  HANDLE handle = AsHandle(handle_);
  DWORD written = 0;
  if (!WriteFile(handle, frame.data(), static_cast<DWORD>(frame.size()), &written, nullptr)) {
    const DWORD error = GetLastError();
    if (auto queued = CountQueued(); !queued) return queued.error();
    return CallFailed(error, FailureCause::WriteStalled);
  }
  if (written != frame.size()) {
    if (auto queued = CountQueued(); !queued) return queued.error();
    return Failure(FailureCause::WriteStalled,
                   std::to_string(written) + " of " + std::to_string(frame.size()) + " bytes left in time");
  }
  // The bytes are with the driver; wait until they have left the PC.
  if (!FlushFileBuffers(handle)) {
    const DWORD error = GetLastError();
    if (auto queued = CountQueued(); !queued) return queued.error();
    return CallFailed(error, FailureCause::WriteStalled);
  }
  return LinkOk();
}

LinkResult<bool> Win32ComPort::ReadComPort(MutableByteSpan dest) {
  if (!open_) return Failure(FailureCause::PortClosed);
  if (dest.size() > kMaxComFrame)
    return Failure(FailureCause::FrameTooLong, std::to_string(dest.size()) + " bytes");
  const auto queued = CountQueued();
  if (!queued) return queued.error();
  if (*queued < dest.size()) return false;
  if (*queued > dest.size()) {
    if (auto purged = PurgeComPort(); !purged) return purged.error();
    return false;
  }
  std::size_t got = 0;
  while (got < dest.size()) {
    DWORD n = 0;
    if (!ReadFile(AsHandle(handle_), dest.data() + got, static_cast<DWORD>(dest.size() - got), &n, nullptr)) {
      const DWORD error = GetLastError();
      if (auto still = CountQueued(); !still) return still.error();
      return CallFailed(error, FailureCause::Other);
    }
    if (n == 0) {
      // The driver counted bytes it does not hand over: the device is going.
      if (auto still = CountQueued(); !still) return still.error();
      return Failure(FailureCause::Other, "the queued input could not be read");
    }
    got += n;
  }
  return true;
}

LinkStatus Win32ComPort::WaitForInput(std::size_t expected, std::chrono::microseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const auto queued = CountQueued();
    if (!queued) return queued.error();
    if (*queued >= expected) return LinkOk();
    const auto now = Clock::now();
    if (now >= deadline) return LinkOk();
    if (*queued > 0) {
      // Part of a frame is here; the rest follows within the period.
      std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(1)));
      return LinkOk();
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, kPollInterval));
  }
}

}  // namespace tuneflash
