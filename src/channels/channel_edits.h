// Choosing programs (by slot, name pattern, satellite, type, scrambled) and
// planning the single edits on them: rename, delete, move, favourites.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boxdb/box_database.h"
#include "channels/channel_plan.h"

namespace tuneflash {

// Every given criterion must hold; a selector without any chooses nothing.
struct ProgramSelector {
  std::vector<int> slots;
  std::string name;       // a pattern: '*' any run of characters, '?' one; letters of any case
  std::string satellite;  // orbital position as listed, "19.2"
  std::string type;       // "tv", "radio", "data", "other", any case
  std::optional<bool> scrambled;

  bool IsEmpty() const;
};

// `text` matches the whole `pattern` ('*', '?'; ASCII letters of any case).
bool GlobMatch(std::string_view pattern, std::string_view text);

// The programs of the list the selector chooses, in list order.
std::vector<Slot> SelectPrograms(const BoxDatabase& db, const ProgramSelector& selector);

// ChannelEditError for: no program chosen, more than one to rename, a name
// (UTF-8) that does not fit, a place outside the list, a group outside 1..8.
ChannelPlan PlanRename(const BoxDatabase& db, const std::vector<Slot>& chosen, std::string_view utf8Name);
ChannelPlan PlanDelete(const BoxDatabase& db, const std::vector<Slot>& chosen);
// The chosen programs, in list order, go to `place` (from 1) and on.
ChannelPlan PlanMove(const BoxDatabase& db, const std::vector<Slot>& chosen, int place);
ChannelPlan PlanFavourite(const BoxDatabase& db, const std::vector<Slot>& chosen, int group, bool add);

}  // namespace tuneflash
