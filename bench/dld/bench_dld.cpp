// CalcCrc32 throughput, and building plus verifying an ALL set file
// (34 partitions, 1984 KiB raw), as `pack` and `info` do.
#include <chrono>
#include <cstdio>
#include <vector>

#include "dld/builder.h"
#include "dld/crc32.h"
#include "dld/partition_sets.h"
#include "dld/record_reader.h"

using namespace tuneflash;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

Bytes Firmware(std::size_t size, std::uint32_t seed) {
  Bytes image(size);
  std::uint32_t s = seed;
  for (std::size_t i = 0; i < size; ++i) {
    s = s * 1103515245u + 12345u;
    image[i] = (i % 16 < 10) ? static_cast<std::uint8_t>(i >> 5) : static_cast<std::uint8_t>(s >> 24);
  }
  return image;
}

}  // namespace

int main() {
  const Bytes buffer(64 << 20, 0xA5);
  const auto t0 = Clock::now();
  volatile std::uint32_t sink = CalcCrc32(buffer);
  const double crcSeconds = Seconds(Clock::now() - t0);
  (void)sink;
  std::printf("CalcCrc32: %.0f MB/s over %zu MiB\n", static_cast<double>(buffer.size()) / 1e6 / crcSeconds,
              buffer.size() >> 20);

  std::vector<Bytes> images;
  for (const auto& p : PartitionsOf(PartitionSet::All)) images.push_back(Firmware(p.size, p.address));
  const int rounds = 5;
  double packBest = 1e9;
  double infoBest = 1e9;
  std::size_t size = 0;
  for (int r = 0; r < rounds; ++r) {
    const auto a = Clock::now();
    const Bytes file = BuildDownloadFile(FILE_DOWNLOAD_HEADER_T{}, PartitionSet::All, images);
    const auto b = Clock::now();
    const auto report = VerifyDownloadFile(file);
    const auto c = Clock::now();
    if (!report.ok()) {
      std::printf("verify failed\n");
      return 1;
    }
    size = file.size();
    packBest = std::min(packBest, Seconds(b - a));
    infoBest = std::min(infoBest, Seconds(c - b));
  }
  std::printf("pack ALL set (1984 KiB raw -> %zu bytes): %.1f ms (best of %d)\n", size, packBest * 1e3,
              rounds);
  std::printf("verify ALL set (records, decompression, raw check values): %.1f ms (best of %d)\n",
              infoBest * 1e3, rounds);
  return 0;
}
