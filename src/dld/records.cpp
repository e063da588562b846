// Field-by-field layout of the download file records.
#include "dld/records.h"

#include <algorithm>

#include "dld/crc32.h"

namespace tuneflash {
namespace {

template <std::size_t N>
void PutChars(MutableByteSpan out, std::size_t offset, const std::array<char, N>& field) {
  for (std::size_t i = 0; i < N; ++i) out[offset + i] = static_cast<std::uint8_t>(field[i]);
}

template <std::size_t N>
void GetChars(ByteSpan in, std::size_t offset, std::array<char, N>& field) {
  for (std::size_t i = 0; i < N; ++i) field[i] = static_cast<char>(in[offset + i]);
}

template <std::size_t N>
void PutRaw(MutableByteSpan out, std::size_t offset, const std::array<std::uint8_t, N>& field) {
  std::copy(field.begin(), field.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
}

template <std::size_t N>
void GetRaw(ByteSpan in, std::size_t offset, std::array<std::uint8_t, N>& field) {
  std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(offset), N, field.begin());
}

void RequireSize(ByteSpan bytes, std::size_t size) {
  if (bytes.size() < size) throw std::out_of_range("record shorter than its layout");
}

}  // namespace

std::array<std::uint8_t, kHeaderRecordSize> FILE_DOWNLOAD_HEADER_T::ToBytes() const {
  std::array<std::uint8_t, kHeaderRecordSize> out{};
  PutU8(out, 0, ucTag);
  PutLe16(out, 1, usLength);
  PutU8(out, 3, ucIdent);
  PutChars(out, 4, acManufacture);
  PutChars(out, 19, acHardwareModule);
  PutChars(out, 27, acHardwareVersion);
  PutChars(out, 35, acSoftwareModule);
  PutChars(out, 43, acSoftwareVersion);
  PutU8(out, 51, ucPartitionType);
  PutU8(out, 52, ucPartitionCount);
  PutLe24(out, 53, iTotalSize & 0xFFFFFF);
  PutRaw(out, 56, aucReserved1);
  PutRaw(out, 59, aucReserved2);
  PutLe32(out, kHeaderCrcOffset, uiCrc);
  return out;
}

FILE_DOWNLOAD_HEADER_T FILE_DOWNLOAD_HEADER_T::FromBytes(ByteSpan in) {
  RequireSize(in, kHeaderRecordSize);
  FILE_DOWNLOAD_HEADER_T h;
  h.ucTag = GetU8(in, 0);
  h.usLength = GetLe16(in, 1);
  h.ucIdent = GetU8(in, 3);
  GetChars(in, 4, h.acManufacture);
  GetChars(in, 19, h.acHardwareModule);
  GetChars(in, 27, h.acHardwareVersion);
  GetChars(in, 35, h.acSoftwareModule);
  GetChars(in, 43, h.acSoftwareVersion);
  h.ucPartitionType = GetU8(in, 51);
  h.ucPartitionCount = GetU8(in, 52);
  h.iTotalSize = GetLe24(in, 53);
  GetRaw(in, 56, h.aucReserved1);
  GetRaw(in, 59, h.aucReserved2);
  h.uiCrc = GetLe32(in, kHeaderCrcOffset);
  return h;
}

std::uint32_t FILE_DOWNLOAD_HEADER_T::ComputeCrc() const {
  const auto bytes = ToBytes();
  return CalcCrc32(ByteSpan(bytes).subspan(kHeaderPayloadOffset, kHeaderPayloadSize));
}

std::array<std::uint8_t, kPartitionRecordSize> FILE_DOWNLOAD_PARTITION_T::ToBytes() const {
  std::array<std::uint8_t, kPartitionRecordSize> out{};
  PutU8(out, 0, ucTag);
  PutU8(out, 1, ucLength);
  PutU8(out, 2, ucAttribute);
  PutLe32(out, 3, uiAddress);
  PutLe24(out, 7, uiRawSize & 0xFFFFFF);
  PutLe32(out, 10, uiRawCrc);
  PutLe24(out, 14, uiPackedSize & 0xFFFFFF);
  PutLe32(out, 17, uiPackedCrc);
  PutU8(out, 21, ucBlockCount);
  PutLe32(out, kPartitionCrcOffset, uiCrc);
  return out;
}

FILE_DOWNLOAD_PARTITION_T FILE_DOWNLOAD_PARTITION_T::FromBytes(ByteSpan in) {
  RequireSize(in, kPartitionRecordSize);
  FILE_DOWNLOAD_PARTITION_T p;
  p.ucTag = GetU8(in, 0);
  p.ucLength = GetU8(in, 1);
  p.ucAttribute = GetU8(in, 2);
  p.uiAddress = GetLe32(in, 3);
  p.uiRawSize = GetLe24(in, 7);
  p.uiRawCrc = GetLe32(in, 10);
  p.uiPackedSize = GetLe24(in, 14);
  p.uiPackedCrc = GetLe32(in, 17);
  p.ucBlockCount = GetU8(in, 21);
  p.uiCrc = GetLe32(in, kPartitionCrcOffset);
  return p;
}

std::uint32_t FILE_DOWNLOAD_PARTITION_T::ComputeCrc() const {
  const auto bytes = ToBytes();
  return CalcCrc32(ByteSpan(bytes).subspan(kPartitionPayloadOffset, kPartitionPayloadSize));
}

std::uint8_t BlockCountFor(std::uint32_t packedSize) {
  const std::uint64_t total = std::uint64_t{packedSize} + kDataRecordOverhead;
  return static_cast<std::uint8_t>((total + kBlockCountUnit - 1) / kBlockCountUnit);
}

Bytes MakeDataRecord(ByteSpan packed) {
  if (packed.size() > kMaxDataPackedSize) throw std::length_error("data record payload beyond 24-bit length");
  Bytes record(packed.size() + kDataRecordOverhead);
  PutU8(record, 0, kDataTag);
  PutLe24(record, 1, static_cast<std::uint32_t>(packed.size() + 4));
  std::copy(packed.begin(), packed.end(), record.begin() + 4);
  PutLe32(record, 4 + packed.size(), CalcCrc32(packed));
  return record;
}

FILE_DOWNLOAD_HEADER_SHOW_T MakeHeaderShow(const FILE_DOWNLOAD_HEADER_T& header) {
  FILE_DOWNLOAD_HEADER_SHOW_T show;
  show.ident = static_cast<std::int8_t>(header.ucIdent);
  show.manufacture = FieldText(header.acManufacture);
  show.hardwareModule = FieldText(header.acHardwareModule);
  show.hardwareVersion = FieldText(header.acHardwareVersion);
  show.softwareModule = FieldText(header.acSoftwareModule);
  show.softwareVersion = FieldText(header.acSoftwareVersion);
  return show;
}

}  // namespace tuneflash
