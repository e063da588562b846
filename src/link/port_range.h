// Several ports at once: "COM.01-COM.08" names eight port entries, and a
// comma joins ranges and single names ("COM.01-COM.04,COM.07").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tuneflash {

struct PortRangeParse {
  std::vector<std::string> names;  // "COM.01" .. in the order given
  std::optional<std::string> problem;
};

// Expands `text`: each comma-separated item is one entry name or FIRST-LAST of
// two entry names (either spelling, FIRST not after LAST). Names come out as
// "COM.nn". A name twice, an empty item or anything that is not an entry name
// is a problem that names the item.
PortRangeParse ParsePortRange(std::string_view text);

}  // namespace tuneflash
