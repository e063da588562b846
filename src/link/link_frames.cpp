// Frames of the link, built and checked byte by byte.
#include "link/link_frames.h"

#include <stdexcept>

#include "dld/crc32.h"
#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

std::uint8_t Sum8(ByteSpan data) {
  unsigned sum = 0;
  for (const std::uint8_t b : data) sum += b;
  return static_cast<std::uint8_t>(sum & 0xFF);
}

constexpr std::size_t kRequestAreasOffset = 4;
constexpr std::size_t kRequestAreaSize = 8;
static_assert(kRequestAreasOffset + kRequestAreaSize * kMaxUploadAreas + 4 <= kUploadRequestSize);

}  // namespace

std::optional<StatusFrame> MakeStatusFrame(int status) {
  const auto wire = StatusWireCode(status);
  if (!wire) return std::nullopt;
  return StatusFrame{kFrameStart, wire->code, wire->subCode, kFrameEnd};
}

int StatusOfReceivedFrame(ByteSpan frame) {
  if (frame.size() < kStatusFrameSize || frame[0] != kFrameStart) return -1;
  const std::uint8_t code = frame[1];
  const bool success = frame[2] != 0;
  switch (code) {
    case 1:
      return kConnecting;
    case 2:
      return kStatus3;
    case 3:
      return success ? kVerifySuccess : kVerifyFailed;
    case 4:
      return kTransferring;
    case 5:
      return success ? kEraseSuccess : kEraseFailed;
    case 6:
      return success ? kProgramSuccess : kProgramFailed;
    case 9:
      return kUploadRequest;
    case 10:
      return kDownloadRequest;
    case 11:
      return kSatcoDxUpdateStart;
    case 12:
      return kSatcoDxDownloadStart;
    default:
      return -1;
  }
}

DataBlock MakeDataBlock(std::uint32_t block, ByteSpan data) {
  if (data.size() > kDataBlockPayload) throw std::length_error("a data block carries at most 1020 bytes");
  DataBlock frame{};
  const auto number = static_cast<std::uint8_t>(block & 0xFF);
  frame[0] = kFrameStart;
  frame[1] = number;
  frame[2] = static_cast<std::uint8_t>(~number);
  std::copy(data.begin(), data.end(), frame.begin() + kDataBlockDataOffset);
  frame[kDataBlockSumOffset] = Sum8(data);
  return frame;
}

bool IsValidDataBlock(ByteSpan block) {
  if (block.size() != kDataBlockSize || block[0] != kFrameStart) return false;
  if (block[2] != static_cast<std::uint8_t>(~block[1])) return false;
  return Sum8(DataBlockPayload(block)) == block[kDataBlockSumOffset];
}

ByteSpan DataBlockPayload(ByteSpan block) {
  return block.subspan(kDataBlockDataOffset, kDataBlockPayload);
}

std::vector<std::size_t> DownloadBlockLengths(std::size_t total) {
  std::vector<std::size_t> lengths(total / kDataBlockPayload, kDataBlockPayload);
  lengths.push_back(total % kDataBlockPayload);
  return lengths;
}

UploadRequestFrame MakeUploadRequestFrame(std::span<const PartitionInfo> areas) {
  UploadRequestFrame frame{};
  const std::size_t count = areas.size();
  const std::size_t crcOffset = kRequestAreasOffset + kRequestAreaSize * count;
  if (crcOffset + 4 > frame.size()) throw std::length_error("too many areas for one upload request");
  frame[0] = kFrameStart;
  PutLe16(frame, 1, static_cast<std::uint32_t>(kRequestAreaSize * count + 8));
  PutU8(frame, 3, static_cast<std::uint32_t>(count));
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t at = kRequestAreasOffset + kRequestAreaSize * k;
    PutU8(frame, at, areas[k].attribute);
    PutLe32(frame, at + 1, areas[k].address);
    PutLe24(frame, at + 5, areas[k].size & 0xFFFFFF);
  }
  PutLe32(frame, crcOffset, CalcCrc32(ByteSpan(frame).first(crcOffset)));
  return frame;
}

std::optional<std::vector<UploadArea>> ParseUploadRequestFrame(ByteSpan frame) {
  if (frame.size() != kUploadRequestSize || frame[0] != kFrameStart) return std::nullopt;
  const std::size_t count = frame[3];
  const std::size_t crcOffset = kRequestAreasOffset + kRequestAreaSize * count;
  if (crcOffset + 4 > frame.size() || GetLe16(frame, 1) != kRequestAreaSize * count + 8) return std::nullopt;
  if (GetLe32(frame, crcOffset) != CalcCrc32(frame.first(crcOffset))) return std::nullopt;
  std::vector<UploadArea> areas;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t at = kRequestAreasOffset + kRequestAreaSize * k;
    areas.push_back({GetU8(frame, at), GetLe32(frame, at + 1), GetLe24(frame, at + 5)});
  }
  return areas;
}

}  // namespace tuneflash
