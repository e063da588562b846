// Windows error texts.
#include <windows.h>

#include "dld/win32_error.h"

namespace tuneflash {

std::string Win32ErrorText(unsigned long code) {
  char buffer[512] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  if (text.empty()) text = "system error";
  return text + " (error " + std::to_string(code) + ")";
}

std::string LastWin32ErrorText() {
  return Win32ErrorText(GetLastError());
}

}  // namespace tuneflash
