// LZO wrappers.
#include "dld/lzo_codec.h"

#include <lzo/lzo1x.h>

#include <stdexcept>

namespace tuneflash {
namespace {

void EnsureLzoReady() {
  static const bool ready = lzo_init() == LZO_E_OK;
  if (!ready) throw std::runtime_error("LZO library failed to initialise");
}

}  // namespace

Bytes LzoCompress(ByteSpan raw) {
  EnsureLzoReady();
  Bytes out(raw.size() + raw.size() / 16 + 64 + 3);
  Bytes work(LZO1X_1_MEM_COMPRESS);
  lzo_uint outLen = out.size();
  if (lzo1x_1_compress(raw.data(), raw.size(), out.data(), &outLen, work.data()) != LZO_E_OK) {
    throw std::runtime_error("LZO compression failed");
  }
  out.resize(outLen);
  return out;
}

std::optional<Bytes> LzoDecompress(ByteSpan packed, std::size_t maxRawSize) {
  EnsureLzoReady();
  Bytes out(maxRawSize);
  lzo_uint outLen = out.size();
  const int rc = lzo1x_decompress_safe(packed.data(), packed.size(), out.data(), &outLen, nullptr);
  if (rc != LZO_E_OK) return std::nullopt;
  out.resize(outLen);
  return out;
}

}  // namespace tuneflash
