// Program names between the box's single-byte text (each byte a Latin-1
// character) and UTF-8, the text of spreadsheets, terminals and the window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tuneflash {

std::string Latin1ToUtf8(std::string_view bytes);

// The Latin-1 bytes of `text`; empty when it is not valid UTF-8 or holds a
// character beyond U+00FF.
std::optional<std::string> Utf8ToLatin1(std::string_view text);

// Why `name` (box bytes) cannot be a program's name, or empty when it can: at
// most 16 bytes, no zero byte.
std::string NameFault(std::string_view name);

}  // namespace tuneflash
