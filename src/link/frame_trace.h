// The hex dump of one frame as both sides print it with --trace: a timestamp,
// the direction, the length and the bytes, 16 per line.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "dld/bytes.h"

namespace tuneflash {

// e.g. "[    1.234567] pc> 4 bytes: 02 0A 00 03\n"; longer frames continue on
// indented lines of 16 bytes, each with its offset.
std::string FormatFrameTrace(std::chrono::steady_clock::duration sinceStart, std::string_view direction,
                             ByteSpan frame);

}  // namespace tuneflash
