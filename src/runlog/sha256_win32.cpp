// SHA-256 through Windows' BCrypt (CNG).
#include <windows.h>
// clang-format off: bcrypt.h needs windows.h first
#include <bcrypt.h>
// clang-format on

#include <algorithm>
#include <stdexcept>

#include "runlog/sha256.h"

namespace tuneflash {

Sha256Digest Sha256(ByteSpan data) {
  Sha256Digest digest{};
  // One call hashes the whole input; a buffer above 4 GiB goes in pieces.
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
            BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  constexpr std::size_t kPiece = 1u << 30;
  for (std::size_t done = 0; ok && done < data.size(); done += kPiece) {
    const auto piece = static_cast<ULONG>(std::min(kPiece, data.size() - done));
    ok = BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(data.data() + done), piece, 0));
  }
  ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
  if (hash != nullptr) BCryptDestroyHash(hash);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  // The provider ships with every Windows since Vista; without it nothing can be recorded truthfully.
  if (!ok) throw std::runtime_error("SHA-256 is not available from Windows' BCrypt");
  return digest;
}

}  // namespace tuneflash
