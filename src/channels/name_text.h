// Program names between the box's bytes and UTF-8, the text of spreadsheets,
// terminals and the window. The box keeps a name as single bytes and does not
// say which character set they are in; lists bring both Latin-1 names and
// UTF-8 names. A name that reads as UTF-8 (with at least one character beyond
// ASCII) is shown as UTF-8, any other as Latin-1, and an edited name keeps the
// character set of the name it replaces.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tuneflash {

// The UTF-8 text of a name's bytes. A UTF-8 character cut short by the end of
// the field (the box keeps 16 bytes) shows as U+FFFD.
std::string NameToText(std::string_view bytes);

// The bytes of `text` as a name in the place of `current` (the name's bytes
// before the edit): `current` itself when the text is what it shows as, else
// the text in the character set of `current`. Empty when `text` is not UTF-8,
// or holds a character beyond U+00FF where `current` is Latin-1.
std::optional<std::string> TextToName(std::string_view text, std::string_view current);

// What a refusal of TextToName says.
inline constexpr const char* kNameCharsetFault =
    "the name has characters the box cannot keep in this name (a Latin-1 name takes characters up to U+00FF)";

// Each byte as the Latin-1 character of its value, and back (empty when the
// text holds a character beyond U+00FF or is not UTF-8).
std::string Latin1ToUtf8(std::string_view bytes);
std::optional<std::string> Utf8ToLatin1(std::string_view text);

// Why `name` (box bytes) cannot be a program's name, or empty when it can: at
// most 16 bytes, no zero byte.
std::string NameFault(std::string_view name);

}  // namespace tuneflash
