// The programs of a channel database as rows a person reads and edits: place
// in the list, slot, name, satellite, transponder, type, service id,
// scrambled, favourite groups. Computed from the database on demand.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "boxdb/box_database.h"

namespace tuneflash {

struct ChannelRow {
  int place = 0;  // 1 = first in the list
  Slot slot = kNoSlot;
  std::string name;       // the box's bytes
  std::string satellite;  // orbital position in degrees, "19.2"; empty when unknown
  std::string frequency;  // MHz
  std::string polarisation;
  std::string type;  // "TV", "Radio", "Data", "Other"
  std::string serviceId;
  bool scrambled = false;
  std::array<bool, kFavGroupCapacity> favourites{};  // group 1 at index 0
};

// One program of the list at `place` (from 1).
ChannelRow MakeChannelRow(const BoxDatabase& db, Slot slot, int place);

// Every program of the list, in list order.
std::vector<ChannelRow> ChannelRows(const BoxDatabase& db);

// The favourite groups as group numbers from 1 separated by blanks: "1 3".
std::string FavouritesText(const std::array<bool, kFavGroupCapacity>& groups);

}  // namespace tuneflash
