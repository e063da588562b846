// Program rows.
#include "channels/channel_rows.h"

#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "boxdb/show_text.h"
#include "boxdb/transponders.h"

namespace tuneflash {

std::string FavouritesText(const std::array<bool, kFavGroupCapacity>& groups) {
  std::string text;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (!groups[g]) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(g + 1);
  }
  return text;
}

ChannelRow MakeChannelRow(const BoxDatabase& db, Slot slot, int place) {
  const auto& p = db.programsShow()[static_cast<std::size_t>(slot)];
  ChannelRow row;
  row.place = place;
  row.slot = slot;
  row.name = p.name;
  row.type = std::string(ProgramTypeName(p.service_type));
  row.serviceId = p.service_id_text;
  row.scrambled = p.scrambled != 0;
  row.favourites = FavGroupsOf(db, slot);
  if (p.tp_source != kTpSourceSatellite) return row;
  const int sat = GetTpSatIndex(db, p.tp_index);
  if (sat >= 0 && static_cast<std::size_t>(sat) < db.satellitesShow().size()) {
    row.satellite =
        std::string(TrimBlanks(db.satellitesShow()[static_cast<std::size_t>(sat)].longitude_text));
  }
  row.frequency = GetTpFrequency(db, p.tp_index);
  if (p.tp_index >= 0 && static_cast<std::size_t>(p.tp_index) < db.satTpsShow().size()) {
    row.polarisation = db.satTpsShow()[static_cast<std::size_t>(p.tp_index)].polarisation_text;
  }
  return row;
}

std::vector<ChannelRow> ChannelRows(const BoxDatabase& db) {
  std::vector<ChannelRow> rows;
  const auto order = ProgramListOrder(db);
  rows.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    rows.push_back(MakeChannelRow(db, order[i], static_cast<int>(i) + 1));
  return rows;
}

}  // namespace tuneflash
