// Tests that need box bytes no operation writes (broken links, counts beyond
// their tables, carried bytes) change a database's image and load it back
// through the codec, as a database read from a box is built.
#pragma once

#include <memory>

#include "boxdb/box_database.h"
#include "boxdb/database_image.h"
#include "boxdb/image_layout.h"
#include "dld/bytes.h"

namespace tuneflash::testing {

class BoxImage {
 public:
  explicit BoxImage(const BoxDatabase& db) : image_(EncodeDatabaseImage(db)) {}

  MutableByteSpan Satellite(std::size_t s) { return Record<SATELLITE_INFO_T>(kSatelliteTableOffset, s); }
  MutableByteSpan SatTp(std::size_t s) { return Record<SAT_TRANSPONDER_INFO_T>(kSatTpTableOffset, s); }
  MutableByteSpan TerTp(std::size_t s) { return Record<TER_TRANSPONDER_INFO_T>(kTerTpTableOffset, s); }
  MutableByteSpan Program(std::size_t s) { return Record<PROGRAM_INFO_T>(kProgramTableOffset, s); }
  MutableByteSpan FavGroup(std::size_t g) { return Record<FAV_GROGUP_INFO_T>(kFavGroupTableOffset, g); }
  MutableByteSpan CasGroup(std::size_t g) { return Record<CAS_GROGUP_INFO_T>(kCasGroupTableOffset, g); }
  MutableByteSpan ProviderGroup(std::size_t g) {
    return Record<PROVIDER_GROGUP_INFO_T>(kProviderGroupTableOffset, g);
  }
  // tp_count, reserved, then tp_per_satellite of each satellite (16 bits each).
  MutableByteSpan SatTpHeader() { return Area(kSatTpHeaderOffset, kSatTpTableOffset - kSatTpHeaderOffset); }
  // ter_tp_count, reserved.
  MutableByteSpan TerTpHeader() { return Area(kTerTpHeaderOffset, kTerTpTableOffset - kTerTpHeaderOffset); }
  // first, last, program, TV, radio and data counts.
  MutableByteSpan ProgramHeader() {
    return Area(kProgramHeaderOffset, kFavGroupTableOffset - kProgramHeaderOffset);
  }

  ByteSpan Image() const { return image_; }

  // Loads the image into `db`, every table in both forms.
  void LoadInto(BoxDatabase& db) const { DecodeDatabaseImage(db, image_); }
  std::unique_ptr<BoxDatabase> Load() const {
    auto db = std::make_unique<BoxDatabase>();
    LoadInto(*db);
    return db;
  }

 private:
  MutableByteSpan Area(std::size_t offset, std::size_t size) {
    return MutableByteSpan(image_).subspan(offset, size);
  }
  template <typename R>
  MutableByteSpan Record(std::size_t tableOffset, std::size_t slot) {
    return Area(tableOffset + slot * R::kSize, R::kSize);
  }

  Bytes image_;
};

}  // namespace tuneflash::testing
