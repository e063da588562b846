// Spreadsheet export and apply.
#include "channels/channel_csv.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <unordered_map>

#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "channels/channel_error.h"
#include "channels/channel_rows.h"
#include "channels/csv.h"
#include "channels/name_text.h"

namespace tuneflash {
namespace {

const std::vector<std::string> kColumns{"place",        "slot", "name",       "satellite", "frequency",
                                        "polarisation", "type", "service_id", "scrambled", "favourites"};

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::array<bool, kFavGroupCapacity> ParseFavourites(std::string_view text, int line) {
  std::array<bool, kFavGroupCapacity> groups{};
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ' ') {
      ++pos;
      continue;
    }
    const std::size_t end = std::min(text.find(' ', pos), text.size());
    const auto group = Number(text.substr(pos, end - pos));
    if (!group || *group < 1 || *group > static_cast<int>(kFavGroupCapacity)) {
      throw ChannelEditError("favourites '" + std::string(text) + "' are not group numbers 1 to 8", line);
    }
    groups[static_cast<std::size_t>(*group - 1)] = true;
    pos = end;
  }
  return groups;
}

struct Columns {
  std::size_t count = 0;
  std::size_t slot = 0, name = 0, favourites = 0;
  std::optional<std::size_t> place;
};

Columns FindColumns(const CsvRecord& header) {
  Columns c;
  c.count = header.fields.size();
  auto find = [&header](std::string_view column) -> std::optional<std::size_t> {
    const auto it = std::find(header.fields.begin(), header.fields.end(), column);
    if (it == header.fields.end()) return std::nullopt;
    return static_cast<std::size_t>(it - header.fields.begin());
  };
  for (const char* needed : {"slot", "name", "favourites"}) {
    if (!find(needed))
      throw ChannelEditError("the header row has no column '" + std::string(needed) + "'", header.line);
  }
  c.slot = *find("slot");
  c.name = *find("name");
  c.favourites = *find("favourites");
  c.place = find("place");
  return c;
}

struct Row {
  int line = 0;
  Slot slot = kNoSlot;
  std::string name;
  std::array<bool, kFavGroupCapacity> favourites{};
  std::optional<int> place;
};

Row ReadRow(const BoxDatabase& db, const CsvRecord& r, const Columns& c) {
  if (r.fields.size() != c.count) {
    throw ChannelEditError(
        std::to_string(r.fields.size()) + " fields where the header has " + std::to_string(c.count), r.line);
  }
  Row row;
  row.line = r.line;
  const auto slot = Number(r.fields[c.slot]);
  if (!slot || *slot < 0 || *slot >= static_cast<int>(kProgramCapacity)) {
    throw ChannelEditError("slot '" + r.fields[c.slot] + "' is not a program slot (0 to 3999)", r.line);
  }
  row.slot = static_cast<Slot>(*slot);
  const auto name = TextToName(r.fields[c.name], db.programsShow()[static_cast<std::size_t>(row.slot)].name);
  if (!name) throw ChannelEditError(kNameCharsetFault, r.line);
  if (const std::string fault = NameFault(*name); !fault.empty()) throw ChannelEditError(fault, r.line);
  row.name = *name;
  row.favourites = ParseFavourites(r.fields[c.favourites], r.line);
  if (c.place && !r.fields[*c.place].empty()) {
    row.place = Number(r.fields[*c.place]);
    if (!row.place) throw ChannelEditError("place '" + r.fields[*c.place] + "' is not a number", r.line);
  }
  return row;
}

// Places, when the rows carry them: every row then needs one.
void SortByPlace(std::vector<Row>& rows) {
  const bool anyPlace =
      std::any_of(rows.begin(), rows.end(), [](const Row& r) { return r.place.has_value(); });
  if (!anyPlace) return;
  for (const Row& r : rows) {
    if (!r.place) throw ChannelEditError("the place is empty while other rows give one", r.line);
  }
  std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return *a.place < *b.place; });
}

}  // namespace

std::string ExportChannelCsv(const BoxDatabase& db) {
  std::string out;
  AppendCsvRecord(out, kColumns);
  for (const ChannelRow& row : ChannelRows(db)) {
    AppendCsvRecord(out, {std::to_string(row.place), std::to_string(row.slot), NameToText(row.name),
                          row.satellite, row.frequency, row.polarisation, row.type, row.serviceId,
                          row.scrambled ? "1" : "0", FavouritesText(row.favourites)});
  }
  return out;
}

ChannelPlan PlanFromCsv(const BoxDatabase& db, std::string_view csv) {
  const auto records = ParseCsv(csv);
  if (records.empty()) throw ChannelEditError("the file has no header row");
  const Columns columns = FindColumns(records.front());
  const auto list = ProgramListOrder(db);
  std::unordered_map<Slot, int> seenOn;  // slot -> line of its row
  for (const Slot s : list) seenOn[s] = 0;
  std::vector<Row> rows;
  for (std::size_t i = 1; i < records.size(); ++i) {
    Row row = ReadRow(db, records[i], columns);
    const auto it = seenOn.find(row.slot);
    if (it == seenOn.end()) {
      throw ChannelEditError("slot " + std::to_string(row.slot) + " names no program in use", row.line);
    }
    if (it->second != 0) {
      throw ChannelEditError(
          "slot " + std::to_string(row.slot) + " has a row already (line " + std::to_string(it->second) + ")",
          row.line);
    }
    it->second = row.line;
    rows.push_back(std::move(row));
  }
  SortByPlace(rows);

  ChannelPlan plan;
  for (const Slot s : list) {
    if (seenOn[s] == 0) plan.deletes.push_back(s);
  }
  for (const Row& row : rows) {
    if (db.programsShow()[static_cast<std::size_t>(row.slot)].name != row.name) {
      plan.renames.emplace_back(row.slot, row.name);
    }
    const auto now = FavGroupsOf(db, row.slot);
    for (std::size_t g = 0; g < kFavGroupCapacity; ++g) {
      if (now[g] != row.favourites[g])
        plan.favourites.push_back({static_cast<int>(g), row.slot, row.favourites[g]});
    }
  }
  std::vector<Slot> order;
  for (const Row& row : rows) order.push_back(row.slot);
  if (order != ListWithout(db, plan.deletes)) plan.order = std::move(order);
  return plan;
}

}  // namespace tuneflash
