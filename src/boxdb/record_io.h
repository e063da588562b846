// Moving box-form records between the database image and the tables, with
// every area checked to lie inside its buffer.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>

#include "boxdb/image_layout.h"
#include "dld/bytes.h"

namespace tuneflash {

// Throws std::invalid_argument unless `size` holds a whole database image.
inline void RequireDatabaseImage(std::size_t size) {
  if (size < kDatabaseImageSize) {
    throw std::invalid_argument("database image of " + std::to_string(size) + " bytes; expected " +
                                std::to_string(kDatabaseImageSize));
  }
}

// The bytes of record `slot` of a table of `Record`s at `tableOffset`.
template <typename Record>
ByteSpan TableArea(ByteSpan image, std::size_t tableOffset, std::size_t slot) {
  return image.subspan(tableOffset + slot * Record::kSize, Record::kSize);
}

template <typename Record>
void LoadRecord(Record& record, ByteSpan area) {
  if (area.size() < Record::kSize) throw std::out_of_range("record area shorter than its record");
  std::copy_n(area.begin(), Record::kSize, record.bytes.begin());
}

// Record `slot` of a table of `Record`s at `tableOffset`.
template <typename Record>
Record LoadedRecord(ByteSpan image, std::size_t tableOffset, std::size_t slot) {
  Record record;
  LoadRecord(record, TableArea<Record>(image, tableOffset, slot));
  return record;
}

template <typename Record>
void StoreRecord(const Record& record, MutableByteSpan image, std::size_t offset) {
  if (offset > image.size() || image.size() - offset < Record::kSize) {
    throw std::out_of_range("record outside the database image");
  }
  std::copy(record.bytes.begin(), record.bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace tuneflash
