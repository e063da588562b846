// A Data download file <-> the channel database: verify and unpack the Data
// partitions into a data image, take the packed database out of its slot and
// decode it; and back: encode, pack into a fresh data image, cut it into the
// eight partitions and write a new download file. Each step leaves its result
// in a work file of the work directory, for a person to inspect.
#pragma once

#include <filesystem>
#include <string>

#include "boxdb/box_database.h"
#include "dld/data_image.h"
#include "dld/records.h"

namespace tuneflash {

inline constexpr const char* kWorkDldToBin = "Test_DldToBin.bin";
inline constexpr const char* kWorkDecompress = "Test_Decompress.bin";
inline constexpr const char* kWorkTempSave = "Test_tempsave.bin";
inline constexpr const char* kWorkCompress = "Test_Compress.bin";
inline constexpr const char* kWorkBinToDld = "Test_BinToDld.dld";

// Partition layouts DatabaseToDld can build; the Data set is the one there is.
inline constexpr int kLayoutDataSet = 1;

// What the first conversion hands to the second.
struct ConversionState {
  std::filesystem::path workDirectory;
  int DatabaseSlot = 0;  // 0 none found, 1 or 2
  int LayoutKind = kLayoutDataSet;
  int partitionCount = kDataPartitionCount;
  FILE_DOWNLOAD_HEADER_T header;  // the source file's header
  SlotHeader slotHeader{};
  Bytes sourceImage;    // the data image unpacked from the source
  std::string failure;  // why the last DldToDatabase returned false
};

// Resets the database, unpacks the Data partitions of `source` into a data
// image, checks the block table and decompresses the database, decodes the
// system sector, keeps the slot header and decodes every table. Returns false,
// with state.failure saying why and where, when a record, the block table or a
// decompression fails. FileError when `source` cannot be read.
bool DldToDatabase(const std::filesystem::path& source, BoxDatabase& db, ConversionState& state);
// The same from the bytes of a download file already read.
bool DldBytesToDatabase(ByteSpan file, BoxDatabase& db, ConversionState& state);

// Encodes the tables, packs them into the slot the source used (slot 2 when
// none was found), writes the block table and slot header, renews or copies
// the system sector, and writes the new download file over `target`
// (beside it first, then renamed). Throws DataImageError when the packed
// database fits no layout, and std::runtime_error("*.bin to *.dld error!")
// when the partitions cannot be built; `target` is untouched then.
void DatabaseToDld(const std::filesystem::path& target, BoxDatabase& db, ConversionState& state);

}  // namespace tuneflash
