// Latin-1 <-> UTF-8 for program names.
#include "channels/name_text.h"

#include "boxdb/box_records.h"

namespace tuneflash {

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
