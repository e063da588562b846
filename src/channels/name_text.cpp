// Program names between the box's bytes and UTF-8.
#include "channels/name_text.h"

#include "boxdb/box_records.h"

namespace tuneflash {
namespace {

// The length of the UTF-8 sequence that starts with `lead`; 0 when `lead`
// cannot start one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

enum class Utf8Form { Ascii, Utf8, Other };

// Whether `bytes` reads as UTF-8; a sequence cut short at the very end still
// counts, since the box cuts names at 16 bytes.
Utf8Form FormOf(std::string_view bytes) {
  bool wide = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = SequenceLength(static_cast<unsigned char>(bytes[i]));
    if (n == 0) return Utf8Form::Other;
    for (std::size_t k = 1; k < n; ++k) {
      if (i + k >= bytes.size()) return Utf8Form::Utf8;  // cut by the end of the field
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return Utf8Form::Other;
    }
    wide = wide || n > 1;
    i += n;
  }
  return wide ? Utf8Form::Utf8 : Utf8Form::Ascii;
}

bool IsUtf8(std::string_view text) {
  const Utf8Form form = FormOf(text);
  if (form == Utf8Form::Other) return false;
  // A cut sequence at the end is not whole text.
  std::size_t i = 0;
  while (i < text.size()) i += SequenceLength(static_cast<unsigned char>(text[i]));
  return i == text.size();
}

}  // namespace

std::string NameToText(std::string_view bytes) {
  if (FormOf(bytes) != Utf8Form::Utf8) return Latin1ToUtf8(bytes);
  std::string text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t n = SequenceLength(static_cast<unsigned char>(bytes[i]));
    if (i + n > bytes.size()) {
      text += "\xEF\xBF\xBD";  // U+FFFD for the character the field cut
      break;
    }
    text.append(bytes.substr(i, n));
    i += n;
  }
  return text;
}

std::optional<std::string> TextToName(std::string_view text, std::string_view current) {
  if (text == NameToText(current)) return std::string(current);
  if (!IsUtf8(text)) return std::nullopt;
  if (FormOf(current) == Utf8Form::Utf8) return std::string(text);
  return Utf8ToLatin1(text);
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += text[i];
      continue;
    }
    // Only the two-byte forms of U+0080..U+00FF are Latin-1.
    if ((b != 0xC2 && b != 0xC3) || i + 1 >= text.size()) return std::nullopt;
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    out += static_cast<char>(((b & 0x03) << 6) | (next & 0x3F));
    ++i;
  }
  return out;
}

std::string NameFault(std::string_view name) {
  if (name.size() > kProgramNameSize) {
    return "the name is " + std::to_string(name.size()) + " bytes long; the box keeps at most " +
           std::to_string(kProgramNameSize);
  }
  if (name.find('\0') != std::string_view::npos) return "the name holds a zero byte";
  return {};
}

}  // namespace tuneflash
