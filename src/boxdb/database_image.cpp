// The database image as a whole: decode, encode, reset.
#include "boxdb/database_image.h"

#include <algorithm>

#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/table_access.h"
#include "boxdb/transponders.h"

namespace tuneflash {

void DecodeDatabaseImage(BoxDatabase& db, ByteSpan image) {
  Bytes padded;
  if (image.size() < kDatabaseImageSize) {
    padded.assign(kDatabaseImageSize, 0xFF);
    std::copy(image.begin(), image.end(), padded.begin());
    image = padded;
  }
  image = image.first(kDatabaseImageSize);
  ReadSatellitePart(db, image);
  ReadTpPart(db, image);
  ReadTerTpPart(db, image);
  ReadProgramPart(db, image);
}

Bytes EncodeDatabaseImage(const BoxDatabase& db) {
  Bytes image(kDatabaseImageSize, 0xFF);
  WriteSatellitePart(db, image);
  WriteTpPart(db, image);
  WriteTerTpPart(db, image);
  WriteProgramPart(db, image);
  return image;
}

void ResetDatabase(BoxDatabase& db) {
  Tables(db).systemBlockChanged = false;
  ResetProgramPart(db);
  ResetAllTps(db);
  ResetAllTerTps(db);
  ResetAllSatellites(db);
}

}  // namespace tuneflash
