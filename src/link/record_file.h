// A download file opened for one sequence: reads and writes at explicit
// offsets, closed on every way out.
#pragma once

#include <filesystem>
#include <string>

#include "dld/bytes.h"
#include "link/record_sink.h"

namespace tuneflash {

class RecordFile final : public RecordSink {
 public:
  enum class Mode { ReadWrite, Create };

  RecordFile(const std::filesystem::path& path, Mode mode);
  ~RecordFile() override { Close(); }
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  bool IsOpen() const override { return fd_ >= 0; }
  // What went wrong when the file could not be opened or written.
  const std::string& error() const override { return error_; }

  // Fills `dest` from `offset`; false when the file ends first.
  bool ReadAt(std::size_t offset, MutableByteSpan dest) const;
  // Writes `data` at `offset`; false (with error()) when it does not all go.
  bool WriteAt(std::size_t offset, ByteSpan data) override;
  void Close() override;

 private:
  int fd_ = -1;
  std::filesystem::path path_;
  std::string error_;
};

}  // namespace tuneflash
