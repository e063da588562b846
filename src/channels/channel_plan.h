// An edit of the program list worked out in full before anything changes:
// programs to delete, names, favourite changes and the new order. Planners
// (channel_edits.h, channel_csv.h, order_like.h) make one from a request and
// the database; ApplyPlan carries it out through the database's operations.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "boxdb/box_database.h"

namespace tuneflash {

struct FavouriteChange {
  int group = 0;  // 0..7, the box's numbering
  Slot slot = kNoSlot;
  bool add = false;
};

struct ChannelPlan {
  std::vector<Slot> deletes;
  std::vector<std::pair<Slot, std::string>> renames;  // only names that differ
  std::vector<FavouriteChange> favourites;            // only changes
  std::vector<Slot> order;                            // the list after the deletes; empty: kept
};

struct EditSummary {
  int renamed = 0;
  int moved = 0;  // the fewest programs whose moving gives the new order
  int deleted = 0;
  int favouritesChanged = 0;

  bool operator==(const EditSummary&) const = default;
};

bool IsEmpty(const ChannelPlan& plan);

// "renamed 1, moved 3, deleted 0, favourites changed 2".
std::string SummaryText(const EditSummary& summary);

// What `plan` would change in `db`, without changing it.
EditSummary Summarise(const BoxDatabase& db, const ChannelPlan& plan);

// Deletes, renames, takes favourites out, files them in, then links the new
// order. ChannelEditError when the database refuses a step (a full favourite
// group, a name that does not fit, an order that is not the list's): `db` is
// then partly changed and must not be written.
EditSummary ApplyPlan(BoxDatabase& db, const ChannelPlan& plan);

// The list as it stands once `deletes` are gone.
std::vector<Slot> ListWithout(const BoxDatabase& db, const std::vector<Slot>& deletes);

}  // namespace tuneflash
