// Outside the database's operations its tables are read only: neither form
// of a record, nor a list header, can be changed on its own. Checked when
// this file compiles.
#include <string>
#include <type_traits>

#include "boxdb/box_database.h"

namespace tuneflash {
namespace {

template <typename Db>
concept WritesProgramShow = requires(Db& db) {
  db.programsShow()[0].name = std::string();
};
template <typename Db>
concept WritesProgramBox = requires(Db& db) {
  db.programs()[0].bytes[0] = std::uint8_t{0};
};
template <typename Db>
concept WritesTpShow = requires(Db& db) {
  db.satTpsShow()[0].frequency_text = std::string();
};
template <typename Db>
concept WritesGroupShow = requires(Db& db) {
  db.favGroupsShow()[0].count = std::int16_t{0};
};
template <typename Db>
concept WritesSatelliteShow = requires(Db& db) {
  db.satellitesShow()[0].longitude = std::int16_t{0};
};
template <typename Db>
concept WritesHeader = requires(Db& db) {
  db.programHeader().program_count = std::int16_t{0};
};
template <typename Db>
concept WritesSystemBlockShow = requires(Db& db) {
  db.systemBlockShow() = SYSTEM_DATA_BASE_SHOW_T{};
};
template <typename Db>
concept ReachesTables = requires(Db& db) {
  db.t_;
};

static_assert(!WritesProgramShow<BoxDatabase>);
static_assert(!WritesProgramBox<BoxDatabase>);
static_assert(!WritesTpShow<BoxDatabase>);
static_assert(!WritesGroupShow<BoxDatabase>);
static_assert(!WritesSatelliteShow<BoxDatabase>);
static_assert(!WritesHeader<BoxDatabase>);
static_assert(!WritesSystemBlockShow<BoxDatabase>);
static_assert(!ReachesTables<BoxDatabase>);
static_assert(std::is_same_v<decltype(std::declval<BoxDatabase&>().programsShow()),
                             const std::vector<PROGRAM_INFO_SHOW_T>&>);

// The checks above must be able to fail: the same expressions on the plain
// tables compile.
struct Writable {
  std::vector<PROGRAM_INFO_SHOW_T> show{1};
  std::vector<PROGRAM_INFO_SHOW_T>& programsShow() { return show; }
};
static_assert(WritesProgramShow<Writable>);

}  // namespace
}  // namespace tuneflash
