// SHA-256 through nettle.
#include <nettle/sha2.h>

#include "runlog/sha256.h"

namespace tuneflash {

Sha256Digest Sha256(ByteSpan data) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, data.size(), data.data());
  Sha256Digest digest{};
  sha256_digest(&context, digest.size(), digest.data());
  return digest;
}

}  // namespace tuneflash
