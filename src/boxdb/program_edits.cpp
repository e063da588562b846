// Renaming, moving and reordering programs, and filing them into favourite groups.
#include "boxdb/program_edits.h"

#include <algorithm>

#include "boxdb/programs.h"
#include "boxdb/table_access.h"

namespace tuneflash {
namespace {

std::size_t At(Slot slot) {
  return static_cast<std::size_t>(slot);
}

// Both links of `slot` in both forms.
void SetLinks(BoxDatabase& db, Slot slot, Slot prev, Slot next) {
  auto& show = Tables(db).programsShow[At(slot)];
  auto& box = Tables(db).programs[At(slot)];
  show.prev_program = prev;
  show.next_program = next;
  PutLe16(box.bytes, kProgramPrevOffset, static_cast<std::uint16_t>(prev));
  PutLe16(box.bytes, kProgramNextOffset, static_cast<std::uint16_t>(next));
}

// Links order[first..last] to their neighbours in `order` and sets the ends
// of the list.
void Relink(BoxDatabase& db, std::span<const Slot> order, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i <= last; ++i) {
    const Slot prev = i == 0 ? kNoSlot : order[i - 1];
    const Slot next = i + 1 == order.size() ? kNoSlot : order[i + 1];
    SetLinks(db, order[i], prev, next);
  }
  SetProgramEnds(db, order.front(), order.back());
}

// The list in order when it is whole: it ends at the header's last program,
// whose next link is -1, and holds every program counted. Empty otherwise, so
// a list read broken from a box is never relinked by guesswork.
std::vector<Slot> WholeList(const BoxDatabase& db) {
  auto order = ProgramListOrder(db);
  if (order.empty() || order.back() != LastProgram(db) ||
      db.programsShow()[At(order.back())].next_program != kNoSlot ||
      static_cast<int>(order.size()) != ProgramCount(db)) {
    return {};
  }
  return order;
}

bool IsFavGroup(int group) {
  return group >= 0 && static_cast<std::size_t>(group) < kFavGroupCapacity;
}

}  // namespace

bool RenameProgram(BoxDatabase& db, Slot slot, std::string_view name) {
  if (!IsProgramUsed(db, slot) || name.size() > kProgramNameSize ||
      name.find('\0') != std::string_view::npos) {
    return false;
  }
  return SetProgramName(db, slot, name);
}

bool MoveProgram(BoxDatabase& db, Slot slot, int place) {
  auto order = WholeList(db);
  const auto found = std::find(order.begin(), order.end(), slot);
  if (found == order.end() || place < 0 || static_cast<std::size_t>(place) >= order.size()) return false;
  const auto from = static_cast<std::size_t>(found - order.begin());
  const auto to = static_cast<std::size_t>(place);
  if (from == to) return true;
  if (from < to) {
    std::rotate(order.begin() + static_cast<long>(from), order.begin() + static_cast<long>(from) + 1,
                order.begin() + static_cast<long>(to) + 1);
  } else {
    std::rotate(order.begin() + static_cast<long>(to), order.begin() + static_cast<long>(from),
                order.begin() + static_cast<long>(from) + 1);
  }
  // Only the moved program, its old and its new neighbours change links.
  const std::size_t low = std::min(from, to);
  const std::size_t high = std::max(from, to);
  Relink(db, order, low == 0 ? 0 : low - 1, std::min(high + 1, order.size() - 1));
  return true;
}

bool SetProgramOrder(BoxDatabase& db, std::span<const Slot> order) {
  auto current = WholeList(db);
  if (current.size() != order.size()) return false;
  std::vector<Slot> given(order.begin(), order.end());
  std::sort(current.begin(), current.end());
  std::sort(given.begin(), given.end());
  if (current != given) return false;  // also catches a slot given twice
  if (order.empty()) return true;
  Relink(db, order, 0, order.size() - 1);
  return true;
}

bool AddToFavGroup(BoxDatabase& db, int group, Slot slot) {
  if (!IsFavGroup(group) || !IsProgramUsed(db, slot)) return false;
  if (IsInFavGroup(db, group, slot)) return true;
  auto& show = Tables(db).favGroupsShow[static_cast<std::size_t>(group)];
  auto& box = Tables(db).favGroups[static_cast<std::size_t>(group)];
  if (show.count < 0 || show.count >= static_cast<int>(kFavGroupMembers)) return false;
  const auto count = static_cast<std::size_t>(show.count);
  show.programs[count] = slot;
  PutLe16(box.bytes, kFavProgramsOffset + 2 * count, static_cast<std::uint16_t>(slot));
  show.count = static_cast<std::int16_t>(count + 1);
  PutLe16(box.bytes, kFavCountOffset, static_cast<std::uint16_t>(show.count));
  return true;
}

bool IsInFavGroup(const BoxDatabase& db, int group, Slot slot) {
  if (!IsFavGroup(group)) return false;
  const auto& show = db.favGroupsShow()[static_cast<std::size_t>(group)];
  const auto count = static_cast<std::size_t>(std::clamp<int>(show.count, 0, kFavGroupMembers));
  const auto members = std::span(show.programs).first(count);
  return std::find(members.begin(), members.end(), slot) != members.end();
}

std::array<bool, kFavGroupCapacity> FavGroupsOf(const BoxDatabase& db, Slot slot) {
  std::array<bool, kFavGroupCapacity> groups{};
  for (std::size_t g = 0; g < kFavGroupCapacity; ++g) groups[g] = IsInFavGroup(db, static_cast<int>(g), slot);
  return groups;
}

}  // namespace tuneflash
