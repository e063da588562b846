// One data record checked against its partition record, as a download file
// is verified: the tag, the length the partition record gives, the check
// value, and the unpacked image against the raw size and check value. The
// upload checks every data record the box sends this way.
#pragma once

#include <string_view>

#include "dld/bytes.h"
#include "dld/records.h"

namespace tuneflash {

enum class DataRecordCheck { Holds, WrongTag, WrongLength, CheckValue, DoesNotUnpack, RawCheckValue };

// `dataRecord` is the whole record: tag, 24-bit length, packed image, check value.
DataRecordCheck CheckDataRecord(ByteSpan dataRecord, const FILE_DOWNLOAD_PARTITION_T& record);

// "wrong tag", "check value mismatch", ...
std::string_view DataRecordCheckText(DataRecordCheck check);

}  // namespace tuneflash
