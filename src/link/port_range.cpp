// Port ranges for the bench.
#include "link/port_range.h"

#include <algorithm>
#include <cstdio>

#include "link/port_names.h"

namespace tuneflash {
namespace {

std::string EntryName(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "COM.%02d", index + 1);
  return name;
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// The entry indexes of one item, or why there are none.
std::optional<std::string> ExpandItem(std::string_view item, std::vector<int>& indexes) {
  if (item.empty()) return "an empty item";
  const auto dash = item.find('-');
  if (dash == std::string_view::npos) {
    const auto index = PortEntryIndex(item);
    if (!index) return Quoted(item) + " is not COM.01..COM.10 (or COM1..COM10)";
    indexes.push_back(*index);
    return std::nullopt;
  }
  const auto first = PortEntryIndex(item.substr(0, dash));
  const auto last = PortEntryIndex(item.substr(dash + 1));
  if (!first || !last) return Quoted(item) + " is not a range of two port names such as COM.01-COM.08";
  if (*first > *last) return Quoted(item) + " runs backwards";
  for (int i = *first; i <= *last; ++i) indexes.push_back(i);
  return std::nullopt;
}

}  // namespace

PortRangeParse ParsePortRange(std::string_view text) {
  PortRangeParse result;
  std::vector<int> indexes;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    const auto item =
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (auto problem = ExpandItem(item, indexes)) {
      result.problem = "port range " + Quoted(text) + ": " + *problem;
      return result;
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    if (std::find(indexes.begin(), indexes.begin() + static_cast<long>(i), indexes[i]) !=
        indexes.begin() + static_cast<long>(i)) {
      result.problem = "port range " + Quoted(text) + ": " + EntryName(indexes[i]) + " is named twice";
      result.names.clear();
      return result;
    }
    result.names.push_back(EntryName(indexes[i]));
  }
  return result;
}

}  // namespace tuneflash
