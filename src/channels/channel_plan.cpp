// Carrying out a channel plan.
#include "channels/channel_plan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "channels/channel_error.h"
#include "channels/name_text.h"

namespace tuneflash {
namespace {

// The fewest programs to take out and put back to turn `before` into
// `after` (both the same programs): all but a longest run of programs that
// keep their order.
int ProgramsMoved(const std::vector<Slot>& before, const std::vector<Slot>& after) {
  std::unordered_map<Slot, int> placeBefore;
  for (std::size_t i = 0; i < before.size(); ++i) placeBefore[before[i]] = static_cast<int>(i);
  std::vector<int> tails;  // patience sorting: tails[k] = least end of a rising run of k + 1
  for (const Slot s : after) {
    const int place = placeBefore.at(s);
    const auto it = std::lower_bound(tails.begin(), tails.end(), place);
    if (it == tails.end()) {
      tails.push_back(place);
    } else {
      *it = place;
    }
  }
  return static_cast<int>(after.size() - tails.size());
}

}  // namespace

bool IsEmpty(const ChannelPlan& plan) {
  return plan.deletes.empty() && plan.renames.empty() && plan.favourites.empty() && plan.order.empty();
}

std::string SummaryText(const EditSummary& s) {
  return "renamed " + std::to_string(s.renamed) + ", moved " + std::to_string(s.moved) + ", deleted " +
         std::to_string(s.deleted) + ", favourites changed " + std::to_string(s.favouritesChanged);
}

std::vector<Slot> ListWithout(const BoxDatabase& db, const std::vector<Slot>& deletes) {
  const std::unordered_set<Slot> gone(deletes.begin(), deletes.end());
  std::vector<Slot> list = ProgramListOrder(db);
  std::erase_if(list, [&gone](Slot s) { return gone.contains(s); });
  return list;
}

EditSummary Summarise(const BoxDatabase& db, const ChannelPlan& plan) {
  EditSummary summary;
  summary.deleted = static_cast<int>(plan.deletes.size());
  summary.renamed = static_cast<int>(plan.renames.size());
  summary.favouritesChanged = static_cast<int>(plan.favourites.size());
  if (!plan.order.empty()) summary.moved = ProgramsMoved(ListWithout(db, plan.deletes), plan.order);
  return summary;
}

EditSummary ApplyPlan(BoxDatabase& db, const ChannelPlan& plan) {
  const EditSummary summary = Summarise(db, plan);
  for (const Slot s : plan.deletes) DeleteProgram(db, s);
  for (const auto& [slot, name] : plan.renames) {
    if (!RenameProgram(db, slot, name)) {
      const std::string fault = NameFault(name);
      throw ChannelEditError("program " + std::to_string(slot) + " cannot be renamed" +
                             (fault.empty() ? std::string(": it is not in use") : ": " + fault));
    }
  }
  for (const auto& change : plan.favourites) {
    if (!change.add) RemoveFromFavGroup(db, change.group, change.slot);
  }
  for (const auto& change : plan.favourites) {
    if (change.add && !AddToFavGroup(db, change.group, change.slot)) {
      throw ChannelEditError("program " + std::to_string(change.slot) + " cannot join favourite group " +
                             std::to_string(change.group + 1) + " (it holds at most 200 programs)");
    }
  }
  if (!plan.order.empty() && !SetProgramOrder(db, plan.order)) {
    throw ChannelEditError("the new order does not hold every program of the list once");
  }
  return summary;
}

}  // namespace tuneflash
