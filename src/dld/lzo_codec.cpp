// LZO wrappers.
#include "dld/lzo_codec.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <stdexcept>

namespace tuneflash {
namespace {

void EnsureLzoReady() {
  static const bool ready = lzo_init() == LZO_E_OK;
  if (!ready) throw std::runtime_error("LZO library failed to initialise");
}

Bytes CompressFast(ByteSpan raw) {
  Bytes out(LzoWorstCaseSize(raw.size()));
  Bytes work(LZO1X_1_MEM_COMPRESS);
  lzo_uint outLen = out.size();
  if (lzo1x_1_compress(raw.data(), raw.size(), out.data(), &outLen, work.data()) != LZO_E_OK) {
    throw std::runtime_error("LZO1X-1 compression failed");
  }
  out.resize(outLen);
  return out;
}

bool DecodesTo(ByteSpan packed, ByteSpan raw) {
  const auto decoded = LzoDecompress(packed, raw.size());
  return decoded && std::equal(decoded->begin(), decoded->end(), raw.begin(), raw.end());
}

// lzo1x_999_compress does not check its output room, so the buffer has the
// worst-case size before the call.
Bytes CompressBest(ByteSpan raw) {
  Bytes out(LzoWorstCaseSize(raw.size()));
  Bytes work(LZO1X_999_MEM_COMPRESS);
  lzo_uint outLen = out.size();
  if (lzo1x_999_compress(raw.data(), raw.size(), out.data(), &outLen, work.data()) != LZO_E_OK ||
      outLen > out.size()) {
    throw std::runtime_error("LZO1X-999 compression failed");
  }
  out.resize(outLen);
  // lzo1x_optimize rewrites the stream in place (same length, quicker to
  // decode) and decodes into `scratch` as it goes, which must hold the raw size.
  Bytes optimized = out;
  Bytes scratch(raw.size());
  lzo_uint scratchLen = scratch.size();
  const bool optimizedOk =
      lzo1x_optimize(optimized.data(), optimized.size(), scratch.data(), &scratchLen, nullptr) == LZO_E_OK &&
      scratchLen == raw.size() && std::equal(scratch.begin(), scratch.end(), raw.begin(), raw.end()) &&
      DecodesTo(optimized, raw);
  if (optimizedOk) return optimized;
  if (!DecodesTo(out, raw)) throw std::runtime_error("LZO1X-999 stream does not decode to its input");
  return out;
}

}  // namespace

std::size_t LzoWorstCaseSize(std::size_t rawSize) {
  return rawSize + rawSize / 16 + 64 + 3;
}

Bytes LzoCompress(ByteSpan raw, Compression compression) {
  EnsureLzoReady();
  return compression == Compression::Lzo1x999 ? CompressBest(raw) : CompressFast(raw);
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
