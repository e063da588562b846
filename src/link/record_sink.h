// Where the records an upload receives go, each at its offset in the
// download file they make up: a file on disk (upload) or memory (verify).
#pragma once

#include <cstddef>
#include <string>

#include "dld/bytes.h"

namespace tuneflash {

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual bool IsOpen() const = 0;
  // Writes `data` at `offset`; false (with error()) when it does not all go.
  virtual bool WriteAt(std::size_t offset, ByteSpan data) = 0;
  // What went wrong when the sink could not be opened or written.
  virtual const std::string& error() const = 0;
  virtual void Close() = 0;
};

// Records kept in memory, never on disk. Bounded: a box that names more
// than kMaxBytes of records is refused rather than believed.
class MemoryRecords final : public RecordSink {
 public:
  static constexpr std::size_t kMaxBytes = 64u << 20;

  bool IsOpen() const override { return true; }
  bool WriteAt(std::size_t offset, ByteSpan data) override;
  const std::string& error() const override { return error_; }
  void Close() override {}

  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::string error_;
};

}  // namespace tuneflash
