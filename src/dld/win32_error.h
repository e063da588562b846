// The text Windows gives for an error code (GetLastError), for messages that
// name a file or a port and say why. Windows builds only.
#pragma once

#include <string>

namespace tuneflash {

// "Access is denied. (error 5)".
std::string Win32ErrorText(unsigned long code);

// Win32ErrorText(GetLastError()).
std::string LastWin32ErrorText();

}  // namespace tuneflash
