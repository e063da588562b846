// Selecting programs and planning single edits.
#include "channels/channel_edits.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "channels/channel_error.h"
#include "channels/channel_rows.h"
#include "channels/name_text.h"

namespace tuneflash {
namespace {

char Fold(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

bool Chooses(const ProgramSelector& s, const ChannelRow& row) {
  if (!s.slots.empty() && std::find(s.slots.begin(), s.slots.end(), row.slot) == s.slots.end()) return false;
  if (!s.name.empty() && !GlobMatch(s.name, NameToText(row.name))) return false;
  if (!s.satellite.empty() && row.satellite != s.satellite) return false;
  if (!s.type.empty() && !SameText(s.type, row.type)) return false;
  return !s.scrambled || *s.scrambled == row.scrambled;
}

void RequireSome(const std::vector<Slot>& chosen) {
  if (chosen.empty()) throw ChannelEditError("no program is chosen");
}

}  // namespace

bool ProgramSelector::IsEmpty() const {
  return slots.empty() && name.empty() && satellite.empty() && type.empty() && !scrambled;
}

bool GlobMatch(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(text[t]))) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<Slot> SelectPrograms(const BoxDatabase& db, const ProgramSelector& selector) {
  std::vector<Slot> chosen;
  if (selector.IsEmpty()) return chosen;
  const auto order = ProgramListOrder(db);
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (Chooses(selector, MakeChannelRow(db, order[i], static_cast<int>(i) + 1))) chosen.push_back(order[i]);
  }
  return chosen;
}

ChannelPlan PlanRename(const BoxDatabase& db, const std::vector<Slot>& chosen, std::string_view utf8Name) {
  RequireSome(chosen);
  if (chosen.size() > 1) {
    throw ChannelEditError(std::to_string(chosen.size()) + " programs are chosen; a rename takes one");
  }
  const std::string& current = db.programsShow()[static_cast<std::size_t>(chosen.front())].name;
  const auto name = TextToName(utf8Name, current);
  if (!name) throw ChannelEditError(kNameCharsetFault);
  if (const std::string fault = NameFault(*name); !fault.empty()) throw ChannelEditError(fault);
  ChannelPlan plan;
  if (current != *name) {
    plan.renames.emplace_back(chosen.front(), *name);
  }
  return plan;
}

ChannelPlan PlanDelete(const BoxDatabase&, const std::vector<Slot>& chosen) {
  RequireSome(chosen);
  return ChannelPlan{chosen, {}, {}, {}};
}

ChannelPlan PlanMove(const BoxDatabase& db, const std::vector<Slot>& chosen, int place) {
  RequireSome(chosen);
  const auto list = ProgramListOrder(db);
  const std::unordered_set<Slot> moving(chosen.begin(), chosen.end());
  std::vector<Slot> order, block;
  for (const Slot s : list) (moving.contains(s) ? block : order).push_back(s);
  const auto last = static_cast<int>(order.size()) + 1;
  if (place < 1 || place > last) {
    throw ChannelEditError("place " + std::to_string(place) + " is outside the list (1 to " +
                           std::to_string(last) + " for " + std::to_string(block.size()) + " program(s))");
  }
  order.insert(order.begin() + (place - 1), block.begin(), block.end());
  ChannelPlan plan;
  if (order != list) plan.order = std::move(order);
  return plan;
}

ChannelPlan PlanFavourite(const BoxDatabase& db, const std::vector<Slot>& chosen, int group, bool add) {
  RequireSome(chosen);
  if (group < 1 || group > static_cast<int>(kFavGroupCapacity)) {
    throw ChannelEditError("favourite group " + std::to_string(group) + " does not exist (1 to 8)");
  }
  ChannelPlan plan;
  for (const Slot s : chosen) {
    if (IsInFavGroup(db, group - 1, s) != add) plan.favourites.push_back({group - 1, s, add});
  }
  return plan;
}

}  // namespace tuneflash
