// Small texts the console front ends share: which percentage status a text
// is, and a duration as minutes:seconds.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "link/upgrade_status.h"

namespace tuneflash::cli {

// The percentage prefix `text` starts with ("Transfering Data:  " ...), or empty.
inline std::string_view PercentPrefixOf(std::string_view text) {
  for (const std::string_view prefix : {kTransferPercentPrefix, kErasePercentPrefix, kProgramPercentPrefix}) {
    if (text.substr(0, prefix.size()) == prefix) return prefix;
  }
  return {};
}

// "1:47"
inline std::string FormatDuration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char out[32];
  std::snprintf(out, sizeof out, "%ld:%02ld", s / 60, s % 60);
  return out;
}

}  // namespace tuneflash::cli
