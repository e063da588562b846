// Download file <-> channel database.
#include "satcodx/database_conversion.h"

#include <algorithm>
#include <stdexcept>

#include "boxdb/database_image.h"
#include "boxdb/system_sector.h"
#include "dld/file_io.h"

namespace tuneflash {
namespace {

void WriteWorkFile(const ConversionState& state, const char* name, ByteSpan data) {
  if (state.workDirectory.empty()) return;
  WriteFileAtomically(state.workDirectory / name, data);
}

bool Fail(ConversionState& state, std::string why) {
  state.failure = std::move(why);
  return false;
}

}  // namespace

bool DldToDatabase(const std::filesystem::path& source, BoxDatabase& db, ConversionState& state) {
  return DldBytesToDatabase(ReadWholeFile(source), db, state);
}

bool DldBytesToDatabase(ByteSpan file, BoxDatabase& db, ConversionState& state) {
  ResetDatabase(db);
  state.DatabaseSlot = 0;
  state.failure.clear();
  try {
    DldImage unpacked = DldToImage(file, state.partitionCount);
    state.header = unpacked.header;
    state.sourceImage = std::move(unpacked.image);
  } catch (const DataImageError& e) {
    return Fail(state, e.what());
  }
  WriteWorkFile(state, kWorkDldToBin, state.sourceImage);

  if (!CheckBlockTable(state.sourceImage)) {
    const int slot = DetectDatabaseSlot(state.sourceImage);
    return Fail(state, "the block check table of database slot " + std::to_string(slot == 1 ? 1 : 2) +
                           " does not match" +
                           (slot == 0 ? " (no slot is marked as holding the database)" : ""));
  }
  state.DatabaseSlot = DetectDatabaseSlot(state.sourceImage);
  Bytes database;
  try {
    database = UnpackDatabase(state.sourceImage, state.DatabaseSlot);
  } catch (const DataImageError& e) {
    return Fail(state, e.what());
  }
  WriteWorkFile(state, kWorkDecompress, database);

  DecodeSystemSector(db, ByteSpan(state.sourceImage).first(kSystemSectorSize));
  state.slotHeader = ReadSlotHeader(state.sourceImage, state.DatabaseSlot);
  DecodeDatabaseImage(db, database);
  return true;
}

void DatabaseToDld(const std::filesystem::path& target, BoxDatabase& db, ConversionState& state) {
  const Bytes database = EncodeDatabaseImage(db);
  WriteWorkFile(state, kWorkTempSave, database);

  Bytes image = PackDatabase(database, state.DatabaseSlot);
  WriteBlockTable(image, state.DatabaseSlot);
  WriteSlotHeader(image, state.DatabaseSlot, state.slotHeader);
  if (SystemBlockChanged(db) && db.systemBlockValid()) {
    ClearSystemBlockChanged(db);
    EncodeSystemSector(db, image);
  } else if (state.sourceImage.size() >= kSystemSectorSize) {
    std::copy_n(state.sourceImage.begin(), kSystemSectorSize, image.begin());
  }
  WriteWorkFile(state, kWorkCompress, image);

  Bytes dld;
  try {
    dld = ImageToDld(image, state.header, state.partitionCount);
  } catch (const std::exception&) {
    throw std::runtime_error("*.bin to *.dld error!");
  }
  WriteWorkFile(state, kWorkBinToDld, dld);
  WriteFileAtomically(target, dld);
}

}  // namespace tuneflash
