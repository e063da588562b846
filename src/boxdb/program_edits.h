// Edits of programs already in the list: a new name, a new place in the
// list, a new order of the whole list, and membership of the favourite
// groups. Each writes the box form and the show form together; each refuses,
// changing nothing, a slot not in use or a value that does not fit.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "boxdb/box_database.h"

namespace tuneflash {

// Renames a program in use. Refused for a name longer than the 16 bytes of
// the name area or holding a zero byte (the box ends a name at the first).
bool RenameProgram(BoxDatabase& db, Slot slot, std::string_view name);

// Moves a program of the list to `place` (0 = first) of the list, the others
// keeping their order. Refused for a slot not in the list or a place past
// its end.
bool MoveProgram(BoxDatabase& db, Slot slot, int place);

// Links the list in the order `order` gives. Refused unless `order` holds
// exactly the programs of the list, each once.
bool SetProgramOrder(BoxDatabase& db, std::span<const Slot> order);

// Favourite groups are numbered 0..7 here (the box's own numbering).
// Adds a program in use at the end of `group`; true without a change when it
// is already a member. Refused when the group holds 200 programs.
bool AddToFavGroup(BoxDatabase& db, int group, Slot slot);
bool IsInFavGroup(const BoxDatabase& db, int group, Slot slot);
// Which of the eight groups hold `slot`.
std::array<bool, kFavGroupCapacity> FavGroupsOf(const BoxDatabase& db, Slot slot);

}  // namespace tuneflash
