// The three records of a download file (header, partition, data). The same
// byte sequences travel over the serial link. Each record is a tag, a length
// (payload + 4-byte check value), the payload and a CalcCrc32 value.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dld/bytes.h"

namespace tuneflash {

inline constexpr std::uint8_t kHeaderTag = 0x11;
inline constexpr std::uint8_t kPartitionTag = 0x22;
inline constexpr std::uint8_t kDataTag = 0x33;

inline constexpr std::size_t kHeaderRecordSize = 71;
inline constexpr std::size_t kHeaderLengthWidth = 2;
inline constexpr std::uint16_t kHeaderLength = 68;
inline constexpr std::size_t kHeaderPayloadOffset = 3;
inline constexpr std::size_t kHeaderPayloadSize = 64;
inline constexpr std::size_t kHeaderCrcOffset = 67;
inline constexpr std::size_t kHeaderPartitionCountOffset = 52;

inline constexpr std::size_t kPartitionRecordSize = 26;
inline constexpr std::size_t kPartitionLengthWidth = 1;
inline constexpr std::uint8_t kPartitionLength = 24;
inline constexpr std::size_t kPartitionPayloadOffset = 2;
inline constexpr std::size_t kPartitionPayloadSize = 20;
inline constexpr std::size_t kPartitionCrcOffset = 22;

inline constexpr std::size_t kDataLengthWidth = 3;
inline constexpr std::size_t kDataRecordOverhead = 8;  // tag, 3-byte length, check value
inline constexpr std::uint32_t kMaxDataPackedSize = 0xFFFFFF - 4;

inline constexpr std::size_t kFirstPartitionRecordOffset = kHeaderRecordSize;  // 71
inline constexpr std::size_t kBlockCountUnit = 1000;
// The largest packed size whose block count still fits the one-byte ucBlockCount.
inline constexpr std::size_t kMaxBlockCountPackedSize = 255 * kBlockCountUnit - kDataRecordOverhead;

inline constexpr std::size_t kManufactureWidth = 15;
inline constexpr std::size_t kModuleFieldWidth = 8;

// Header record, 71 bytes.
struct FILE_DOWNLOAD_HEADER_T {
  std::uint8_t ucTag = 0;
  std::uint16_t usLength = 0;
  std::uint8_t ucIdent = 0;
  std::array<char, kManufactureWidth> acManufacture{};
  std::array<char, kModuleFieldWidth> acHardwareModule{};
  std::array<char, kModuleFieldWidth> acHardwareVersion{};
  std::array<char, kModuleFieldWidth> acSoftwareModule{};
  std::array<char, kModuleFieldWidth> acSoftwareVersion{};
  std::uint8_t ucPartitionType = 0;
  std::uint8_t ucPartitionCount = 0;
  std::uint32_t iTotalSize = 0;  // 24 bits
  std::array<std::uint8_t, 3> aucReserved1{};
  std::array<std::uint8_t, 8> aucReserved2{};
  std::uint32_t uiCrc = 0;

  std::array<std::uint8_t, kHeaderRecordSize> ToBytes() const;
  // Throws std::out_of_range when `bytes` holds fewer than 71 bytes.
  static FILE_DOWNLOAD_HEADER_T FromBytes(ByteSpan bytes);
  // CalcCrc32 over the 64 payload bytes (record bytes 3 to 66).
  std::uint32_t ComputeCrc() const;
};

// Partition record, 26 bytes.
struct FILE_DOWNLOAD_PARTITION_T {
  std::uint8_t ucTag = kPartitionTag;
  std::uint8_t ucLength = kPartitionLength;
  std::uint8_t ucAttribute = 0;
  std::uint32_t uiAddress = 0;
  std::uint32_t uiRawSize = 0;  // 24 bits
  std::uint32_t uiRawCrc = 0;
  std::uint32_t uiPackedSize = 0;  // 24 bits
  std::uint32_t uiPackedCrc = 0;
  std::uint8_t ucBlockCount = 0;
  std::uint32_t uiCrc = 0;

  std::array<std::uint8_t, kPartitionRecordSize> ToBytes() const;
  static FILE_DOWNLOAD_PARTITION_T FromBytes(ByteSpan bytes);
  // CalcCrc32 over the 20 payload bytes (record bytes 2 to 21).
  std::uint32_t ComputeCrc() const;
};

// Number of 1000-byte blocks a data record of `packedSize` fills.
std::uint8_t BlockCountFor(std::uint32_t packedSize);

// A whole data record: tag, length packed+4, the packed bytes, their check value.
Bytes MakeDataRecord(ByteSpan packed);

// Identity of the current download file as the window shows it.
struct FILE_DOWNLOAD_HEADER_SHOW_T {
  std::int8_t ident = -1;
  std::string manufacture;
  std::string hardwareModule;
  std::string hardwareVersion;
  std::string softwareModule;
  std::string softwareVersion;

  bool operator==(const FILE_DOWNLOAD_HEADER_SHOW_T&) const = default;
};

// The text of a NUL-padded field: its bytes up to the first NUL or the field width.
template <std::size_t N>
std::string FieldText(const std::array<char, N>& field) {
  std::size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return std::string(field.data(), n);
}

// Clears `field` to NUL and copies at most N bytes of `text` into it.
template <std::size_t N>
void SetFieldText(std::array<char, N>& field, std::string_view text) {
  field.fill('\0');
  for (std::size_t i = 0; i < N && i < text.size(); ++i) field[i] = text[i];
}

FILE_DOWNLOAD_HEADER_SHOW_T MakeHeaderShow(const FILE_DOWNLOAD_HEADER_T& header);

}  // namespace tuneflash
