// The status table.
#include "link/upgrade_status.h"

#include <array>

namespace tuneflash {
namespace {

struct StatusEntry {
  std::string_view text;  // empty: the index has no text
  std::optional<WireCode> wire;
};

constexpr std::array<StatusEntry, kUpgradeStatusCount> kStatusTable{{
    {"Connectting...", WireCode{1, 0}},
    {"Connect failed!", std::nullopt},
    {"Connect Success!", std::nullopt},
    {"", WireCode{2, 0}},
    {"Verify...", std::nullopt},
    {"Verify failed!", WireCode{3, 0}},
    {"Verify Success!", WireCode{3, 1}},
    {"Transfer...", WireCode{4, 0}},
    {"Transfer failed!", std::nullopt},
    {"Transfer Success!", std::nullopt},
    {"Erase flash...", std::nullopt},
    {"Erase flash failed!", WireCode{5, 0}},
    {"Erase flash Success!", WireCode{5, 1}},
    {"Program flash...", std::nullopt},
    {"Program flash failed!", WireCode{6, 0}},
    {"Program flash Success!", WireCode{6, 1}},
    {"SatcoDX Update start!", WireCode{11, 0}},
    {"SatcoDX Update failed!", std::nullopt},
    {"Inputting SatcoDX file, please wait...", std::nullopt},
    {"SatcoDX Update Success!", std::nullopt},
    {"SatcoDX Download start!", WireCode{12, 0}},
    {"SatcoDX Download failed!", std::nullopt},
    {"SatcoDX Download Success!", std::nullopt},
    {"Update failed!", WireCode{8, 0}},
    {"Update Success!", WireCode{8, 1}},
    {"", WireCode{9, 0}},
    {"", WireCode{10, 0}},
}};

}  // namespace

std::optional<std::string_view> StatusText(int status) {
  if (status < 0 || status >= kUpgradeStatusCount || kStatusTable[status].text.empty()) return std::nullopt;
  return kStatusTable[status].text;
}

std::optional<WireCode> StatusWireCode(int status) {
  if (status < 0 || status >= kUpgradeStatusCount) return std::nullopt;
  return kStatusTable[status].wire;
}

std::string PercentText(std::string_view prefix, int done, int total) {
  const int percent = total > 0 ? done * 100 / total : 100;
  return std::string(prefix) + std::to_string(percent) + "%";
}

}  // namespace tuneflash
