// Header operations on the current download header.
#include "dld/download_header.h"

#include <fstream>
#include <string>

#include "dld/crc32.h"
#include "dld/int_text.h"

namespace tuneflash {
namespace {

bool SamePath(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::absolute(a, ec).lexically_normal() ==
         std::filesystem::absolute(b, ec).lexically_normal();
}

bool WriteAt0(std::fstream& file, const std::array<std::uint8_t, kHeaderRecordSize>& bytes) {
  file.seekp(0);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.flush();
  return static_cast<bool>(file);
}

}  // namespace

bool ApplyHeaderField(FILE_DOWNLOAD_HEADER_T& header, int selector, std::string_view text) {
  switch (selector) {
    case kFieldIdent:
      header.ucIdent = static_cast<std::uint8_t>(StrToInt(text) & 0xFF);
      return true;
    case kFieldManufacture:
      SetFieldText(header.acManufacture, text);
      return true;
    case kFieldHardwareModule:
      SetFieldText(header.acHardwareModule, text);
      return true;
    case kFieldHardwareVersion:
      SetFieldText(header.acHardwareVersion, text);
      return true;
    case kFieldSoftwareModule:
      SetFieldText(header.acSoftwareModule, text);
      return true;
    case kFieldSoftwareVersion:
      SetFieldText(header.acSoftwareVersion, text);
      return true;
    case kFieldPartitionType:
      header.ucPartitionType = static_cast<std::uint8_t>(StrToInt(text) & 0xFF);
      return false;
    case kFieldPartitionCount:
      header.ucPartitionCount = static_cast<std::uint8_t>(StrToInt(text) & 0xFF);
      return false;
    case kFieldTotalSize:
      header.iTotalSize = static_cast<std::uint32_t>(StrToInt(text)) & 0xFFFFFF;
      return false;
    default:
      return false;
  }
}

bool WriteHeaderRecord(const std::filesystem::path& path, FILE_DOWNLOAD_HEADER_T& header) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file) return false;
  if (!WriteAt0(file, header.ToBytes())) return false;
  // The check value covers the payload as it now stands in the file.
  std::array<std::uint8_t, kHeaderRecordSize> written{};
  file.seekg(0);
  file.read(reinterpret_cast<char*>(written.data()), static_cast<std::streamsize>(written.size()));
  if (!file) return false;
  header.uiCrc = CalcCrc32(ByteSpan(written).subspan(kHeaderPayloadOffset, kHeaderPayloadSize));
  return WriteAt0(file, header.ToBytes());
}

int ReadPartitionCount(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return -1;
  file.seekg(static_cast<std::streamoff>(kHeaderPartitionCountOffset));
  char byte = 0;
  if (!file.read(&byte, 1)) return -1;
  return static_cast<std::uint8_t>(byte);
}

void DownloadHeaderState::ClearDownloadHeader() {
  header_ = FILE_DOWNLOAD_HEADER_T{};
  show_ = FILE_DOWNLOAD_HEADER_SHOW_T{};
  loadedFrom_.reset();
  Notify(true);
}

bool DownloadHeaderState::LoadDownloadHeader(const std::filesystem::path& path) {
  std::array<std::uint8_t, kHeaderRecordSize> bytes{};
  std::ifstream file(path, std::ios::binary);
  const bool read =
      file && file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (read) {
    header_ = FILE_DOWNLOAD_HEADER_T::FromBytes(bytes);
    loadedFrom_ = path;
  }
  show_ = MakeHeaderShow(header_);
  Notify(false);
  return read;
}

HeaderWrite DownloadHeaderState::SetDownloadHeaderField(int selector, std::string_view text,
                                                        const std::filesystem::path& path) {
  if (!loadedFrom_ || !SamePath(*loadedFrom_, path)) return HeaderWrite::NotLoadedFromFile;
  if (!IsWritable(path)) return HeaderWrite::CannotOpen;
  FILE_DOWNLOAD_HEADER_T changed = header_;
  const bool display = ApplyHeaderField(changed, selector, text);  // may throw: nothing written yet
  if (!WriteHeaderRecord(path, changed)) return HeaderWrite::CannotOpen;
  header_ = changed;
  if (display) {
    switch (selector) {
      case kFieldIdent:
        show_.ident = static_cast<std::int8_t>(header_.ucIdent);
        break;
      case kFieldManufacture:
        show_.manufacture = std::string(text);
        break;
      case kFieldHardwareModule:
        show_.hardwareModule = std::string(text);
        break;
      case kFieldHardwareVersion:
        show_.hardwareVersion = std::string(text);
        break;
      case kFieldSoftwareModule:
        show_.softwareModule = std::string(text);
        break;
      case kFieldSoftwareVersion:
        show_.softwareVersion = std::string(text);
        break;
      default:
        break;
    }
    Notify(false);
  }
  return HeaderWrite::Written;
}

HeaderWrite DownloadHeaderState::StampTotalSize(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return HeaderWrite::CannotOpen;
  return SetDownloadHeaderField(kFieldTotalSize, std::to_string(size), path);
}

bool DownloadHeaderState::IsWritable(const std::filesystem::path& path) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  return static_cast<bool>(file);
}

}  // namespace tuneflash
