// Ordering like a reference list.
#include "channels/order_like.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

#include "channels/channel_rows.h"

namespace tuneflash {
namespace {

std::string ServiceKey(const ChannelRow& row) {
  return row.satellite + '|' + row.frequency + '|' + row.polarisation + '|' + row.serviceId;
}

// Places of the reference by a key, each taken once, lowest first.
class PlaceIndex {
 public:
  void Add(const std::string& key, std::size_t place) { places_[key].push_back(place); }
  // The first place under `key` not yet taken.
  std::optional<std::size_t> Take(const std::string& key, std::vector<bool>& taken) {
    const auto it = places_.find(key);
    if (it == places_.end()) return std::nullopt;
    for (const std::size_t place : it->second) {
      if (!taken[place]) {
        taken[place] = true;
        return place;
      }
    }
    return std::nullopt;
  }

 private:
  std::unordered_map<std::string, std::vector<std::size_t>> places_;
};

}  // namespace

ChannelPlan PlanOrderLike(const BoxDatabase& db, const BoxDatabase& reference) {
  const auto refRows = ChannelRows(reference);
  // The box keeps only the low byte of a service id, so one transponder can
  // carry several programs of the same key: the name settles those first.
  const auto serviceAndName = [](const ChannelRow& r) { return ServiceKey(r) + '|' + r.name; };
  const auto name = [](const ChannelRow& r) { return r.name; };
  const std::function<std::string(const ChannelRow&)> keys[] = {serviceAndName, ServiceKey, name};
  const auto rows = ChannelRows(db);
  std::vector<bool> taken(refRows.size());
  std::vector<std::optional<std::size_t>> refPlace(rows.size());
  for (const auto& key : keys) {
    PlaceIndex index;
    for (std::size_t i = 0; i < refRows.size(); ++i) index.Add(key(refRows[i]), i);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (!refPlace[i]) refPlace[i] = index.Take(key(rows[i]), taken);
    }
  }
  std::vector<std::size_t> index(rows.size());
  for (std::size_t i = 0; i < index.size(); ++i) index[i] = i;
  // Matched programs by their place in the reference, then the rest as they stand.
  std::stable_sort(index.begin(), index.end(), [&refPlace](std::size_t a, std::size_t b) {
    const std::size_t none = SIZE_MAX;
    return refPlace[a].value_or(none) < refPlace[b].value_or(none);
  });
  ChannelPlan plan;
  std::vector<Slot> order;
  for (const std::size_t i : index) order.push_back(rows[i].slot);
  bool same = true;
  for (std::size_t i = 0; i < order.size(); ++i) same = same && order[i] == rows[i].slot;
  if (!same) plan.order = std::move(order);
  return plan;
}

}  // namespace tuneflash
