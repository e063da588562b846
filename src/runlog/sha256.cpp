// SHA-256 as text.
#include "runlog/sha256.h"

namespace tuneflash {

std::string Sha256Hex(ByteSpan data) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : Sha256(data)) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace tuneflash
