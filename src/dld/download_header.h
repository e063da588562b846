// The current download header: the one header record the program works on,
// its display form, and the operations that load, show and edit it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "dld/records.h"

namespace tuneflash {

// Selectors of SetDownloadHeaderField.
enum HeaderFieldSelector : int {
  kFieldIdent = 0,
  kFieldManufacture = 1,
  kFieldHardwareModule = 2,
  kFieldHardwareVersion = 3,
  kFieldSoftwareModule = 4,
  kFieldSoftwareVersion = 5,
  kFieldPartitionType = 6,
  kFieldPartitionCount = 7,
  kFieldTotalSize = 8,
};

// Applies one field change to `header` (no file involved). Selectors 0, 6, 7
// and 8 convert `text` with StrToInt and may throw ConversionError; any other
// selector changes nothing. Returns true when the display record should follow.
bool ApplyHeaderField(FILE_DOWNLOAD_HEADER_T& header, int selector, std::string_view text);

// Writes `header` at offset 0 of `path`, then recomputes uiCrc over the bytes
// as written and writes the record again. Returns false when the file cannot
// be opened for reading and writing (nothing is written then).
bool WriteHeaderRecord(const std::filesystem::path& path, FILE_DOWNLOAD_HEADER_T& header);

// Byte 52 of the file as stored, or -1 when it cannot be read.
int ReadPartitionCount(const std::filesystem::path& path);

enum class HeaderWrite { Written, NotLoadedFromFile, CannotOpen };

class DownloadHeaderState {
 public:
  // Called whenever the display record changes; `cleared` is true after a clear
  // (the window paints the fields in the button-face colour then).
  using DisplayListener = std::function<void(const FILE_DOWNLOAD_HEADER_SHOW_T&, bool cleared)>;

  void SetDisplayListener(DisplayListener listener) { listener_ = std::move(listener); }

  // Zeroes the current header, clears the display record (ident -1, empty
  // texts) and forgets which file the header came from.
  void ClearDownloadHeader();

  // Reads bytes 0 to 70 of `path` into the current header (check value not
  // verified) and shows it. When the file cannot be read the header stays as
  // it was and is shown as it stands. Returns whether the file was read.
  bool LoadDownloadHeader(const std::filesystem::path& path);

  // Changes one field and writes the header record to `path`, but only when
  // `path` is the file the header was loaded from: after a clear, or when the
  // header came from another file, nothing is written. ConversionError
  // propagates with nothing written.
  HeaderWrite SetDownloadHeaderField(int selector, std::string_view text, const std::filesystem::path& path);

  // Stores the size of `path` in iTotalSize (selector 8).
  HeaderWrite StampTotalSize(const std::filesystem::path& path);

  const FILE_DOWNLOAD_HEADER_T& header() const { return header_; }
  const FILE_DOWNLOAD_HEADER_SHOW_T& show() const { return show_; }
  const std::optional<std::filesystem::path>& loadedFrom() const { return loadedFrom_; }

 private:
  static bool IsWritable(const std::filesystem::path& path);
  void Notify(bool cleared) {
    if (listener_) listener_(show_, cleared);
  }

  FILE_DOWNLOAD_HEADER_T header_{};
  FILE_DOWNLOAD_HEADER_SHOW_T show_{};
  std::optional<std::filesystem::path> loadedFrom_;
  DisplayListener listener_;
};

}  // namespace tuneflash
