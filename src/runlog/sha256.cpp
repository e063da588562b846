// SHA-256 through nettle.
#include "runlog/sha256.h"

#include <nettle/sha2.h>

namespace tuneflash {

Sha256Digest Sha256(ByteSpan data) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, data.size(), data.data());
  Sha256Digest digest{};
  sha256_digest(&context, digest.size(), digest.data());
  return digest;
}

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
