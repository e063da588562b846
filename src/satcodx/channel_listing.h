// The channel database of a Data download file as rows a person can read:
// satellites, transponders and programs, written as a table, CSV or JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "boxdb/box_database.h"

namespace tuneflash {

struct SatelliteRow {
  int slot = 0;
  std::string position;  // "%5.1f" degrees, trimmed
  std::string name;
  int transponders = 0;
};

struct TransponderRow {
  int slot = 0;
  int satellite = 0;
  int number = 0;
  std::string frequency;  // MHz
  std::string polarisation;
  std::string symbolRate;  // ksymbol/s
  std::string fec;
  int programs = 0;
};

struct ProgramRow {
  int slot = 0;
  std::string name;
  std::string type;  // "TV", "Radio", "Data", "Other"
  int satellite = -1;
  int transponder = -1;  // transponder slot
  std::string serviceId;
  std::string videoPid;
  std::string audioPid;
  bool scrambled = false;
  std::vector<int> favourites;  // favourite groups holding it, numbered from 1
};

struct ChannelListing {
  std::vector<SatelliteRow> satellites;
  std::vector<TransponderRow> transponders;
  std::vector<ProgramRow> programs;  // in list order
};

// Satellites that are installed (a name other than the free slot's, or any
// transponder), transponders in use by satellite and number, programs in list order.
ChannelListing ListChannels(const BoxDatabase& db);

enum class ListingFormat { Table, Csv, Json };

// `text` as a JSON string: printable ASCII kept, other bytes as Latin-1 code points.
std::string JsonString(std::string_view text);

void WriteListing(std::ostream& out, const ChannelListing& listing, ListingFormat format);

}  // namespace tuneflash
