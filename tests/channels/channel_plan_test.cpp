// Plans over the sample database: the spreadsheet round trip, what edited
// rows make of the list, bad rows named by line, selections, moves and the
// order of a reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "channels/channel_csv.h"
#include "channels/channel_edits.h"
#include "channels/channel_error.h"
#include "channels/channel_rows.h"
#include "channels/csv.h"
#include "channels/order_like.h"
#include "satcodx/sample_database.h"

namespace tuneflash {
namespace {

using Records = std::vector<std::vector<std::string>>;
constexpr std::size_t kPlace = 0, kSlot = 1, kName = 2, kFavourites = 9;

std::unique_ptr<BoxDatabase> Sample() {
  return SampleDatabase(DefaultSampleSatellites());  // 24 programs, slots 0..23 in order
}

Records Exported(const BoxDatabase& db) {
  Records out;
  for (auto& r : ParseCsv(ExportChannelCsv(db))) out.push_back(std::move(r.fields));
  return out;
}

std::string Written(const Records& records) {
  std::string out;
  for (const auto& r : records) AppendCsvRecord(out, r);
  return out;
}

std::vector<Slot> Slots(const BoxDatabase& db) {
  return ProgramListOrder(db);
}

TEST(ChannelCsv, ExportThenApplyPlansNothing) {
  auto db = Sample();
  const char* names[] = {"comma, inside",    "say \"hi\"",    "T\xE9l\xE9 5",
                         "sixteen bytes 16", "blank at end ", ""};
  for (Slot s = 0; s < 6; ++s) ASSERT_TRUE(RenameProgram(*db, s, names[s]));
  ASSERT_TRUE(AddToFavGroup(*db, 0, 3));
  ASSERT_TRUE(AddToFavGroup(*db, 7, 3));
  ASSERT_TRUE(MoveProgram(*db, 20, 0));
  EXPECT_TRUE(IsEmpty(PlanFromCsv(*db, ExportChannelCsv(*db))));
}

TEST(ChannelCsv, RowsSayWhatTheListBecomes) {
  const struct {
    const char* what;
    std::function<void(Records&)> edit;
    std::vector<Slot> order;
    EditSummary summary;
  } cases[] = {
      {"rows reversed, places cleared",
       [](Records& r) {
         std::reverse(r.begin() + 1, r.end());
         for (auto& row : r) row[kPlace].clear();
       },
       {23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
       {0, 23, 0, 0}},
      {"rows sorted by name descending, places kept: place wins",
       [](Records& r) {
         std::sort(r.begin() + 1, r.end(), [](auto& a, auto& b) { return a[kName] > b[kName]; });
       },
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
       {}},
      {"a place renumbered to 1 goes after the row already at 1",
       [](Records& r) { r[10][kPlace] = "1"; },
       {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
       {0, 1, 0, 0}},
      {"rows removed, one renamed, favourites given",
       [](Records& r) {
         r.erase(r.begin() + 24);
         r.erase(r.begin() + 2);
         r[1][kName] = "Neu \xC3\xA9";
         r[1][kFavourites] = "8 1";
       },
       {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22},
       {1, 0, 2, 2}},
  };
  for (const auto& c : cases) {
    auto db = Sample();
    Records rows = Exported(*db);
    c.edit(rows);
    const ChannelPlan plan = PlanFromCsv(*db, Written(rows));
    EXPECT_EQ(ApplyPlan(*db, plan), c.summary) << c.what;
    EXPECT_EQ(Slots(*db), c.order) << c.what;
  }
  auto db = Sample();
  Records rows = Exported(*db);
  rows[1][kName] = "Neu \xC3\xA9";
  rows[1][kFavourites] = "8 1";
  ApplyPlan(*db, PlanFromCsv(*db, Written(rows)));
  EXPECT_EQ(db->programsShow()[0].name, "Neu \xE9");
  EXPECT_EQ(FavouritesText(FavGroupsOf(*db, 0)), "1 8");
}

TEST(ChannelCsv, ABadRowIsNamedByItsLine) {
  const struct {
    std::function<void(Records&)> edit;
    int line;
    const char* says;
  } cases[] = {
      {[](Records& r) { r[3][kSlot] = "77"; }, 4, "slot 77 names no program in use"},
      {[](Records& r) { r[3][kSlot] = "x"; }, 4, "not a program slot"},
      {[](Records& r) { r[5][kSlot] = "2"; }, 6, "has a row already (line 4)"},
      {[](Records& r) { r[2][kName] = "seventeen bytes!!"; }, 3, "17 bytes long"},
      {[](Records& r) { r[2][kName] = "\xE2\x82\xAC uro"; }, 3, "Latin-1"},
      {[](Records& r) { r[7][kFavourites] = "1 9"; }, 8, "not group numbers 1 to 8"},
      {[](Records& r) { r[7][kFavourites] = "one"; }, 8, "not group numbers 1 to 8"},
      {[](Records& r) { r[9].pop_back(); }, 10, "9 fields where the header has 10"},
      {[](Records& r) { r[9][kPlace] = "first"; }, 10, "not a number"},
      {[](Records& r) { r[9][kPlace].clear(); }, 10, "place is empty"},
      {[](Records& r) { r[0][kName] = "title"; }, 1, "no column 'name'"},
  };
  for (const auto& c : cases) {
    auto db = Sample();
    Records rows = Exported(*db);
    c.edit(rows);
    try {
      PlanFromCsv(*db, Written(rows));
      ADD_FAILURE() << c.says;
    } catch (const ChannelEditError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

TEST(ChannelSelect, PatternsAndFiltersChoosePrograms) {
  auto db = Sample();
  ASSERT_TRUE(SetProgramScrambled(*db, 5, 1));
  const struct {
    ProgramSelector selector;
    std::vector<Slot> chosen;
  } cases[] = {
      {{{3, 1}, "", "", "", {}}, {1, 3}},
      {{{}, "old 108*/1", "", "", {}}, {3, 9, 15, 21}},
      {{{}, "Old 1070?/0", "28.2", "", {}}, {12}},
      {{{}, "", "13.0", "TV", {}}, {6, 7, 8, 9, 10, 11}},
      {{{}, "", "", "radio", {}}, {}},
      {{{}, "", "", "", true}, {5}},
      {{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SelectPrograms(*db, c.selector), c.chosen) << c.selector.name;
  const struct {
    const char* pattern;
    const char* text;
    bool match;
  } globs[] = {{"*", "", true},      {"a*c", "abbbc", true}, {"a*c", "abcd", false},
               {"?b", "ab", true},   {"?b", "b", false},     {"*x*y", "axxbxy", true},
               {"ABC", "abc", true}, {"a**", "a", true},     {"", "a", false}};
  for (const auto& g : globs) EXPECT_EQ(GlobMatch(g.pattern, g.text), g.match) << g.pattern << " " << g.text;
}

TEST(ChannelMove, ChosenProgramsGoToThePlaceInTheirOrder) {
  const struct {
    std::vector<Slot> chosen;
    int place;
    std::vector<Slot> head;  // the first five of the list after
    int moved;
  } cases[] = {
      {{23}, 1, {23, 0, 1, 2, 3}, 1},
      {{0}, 24, {1, 2, 3, 4, 5}, 1},
      {{4, 2}, 1, {2, 4, 0, 1, 3}, 2},
      {{1, 2}, 2, {0, 1, 2, 3, 4}, 0},
  };
  for (const auto& c : cases) {
    auto db = Sample();
    const EditSummary summary = ApplyPlan(*db, PlanMove(*db, c.chosen, c.place));
    EXPECT_EQ(summary.moved, c.moved);
    const auto order = Slots(*db);
    EXPECT_EQ(std::vector<Slot>(order.begin(), order.begin() + 5), c.head);
  }
  auto db = Sample();
  for (const int place : {0, 24}) EXPECT_THROW(PlanMove(*db, {4, 5}, place), ChannelEditError);
  EXPECT_THROW(PlanRename(*db, {4, 5}, "x"), ChannelEditError);
  EXPECT_THROW(PlanFavourite(*db, {4}, 9, true), ChannelEditError);
}

TEST(ChannelOrder, ProgramsOfTheReferenceTakeItsOrder) {
  auto reference = Sample();
  ASSERT_TRUE(MoveProgram(*reference, 13, 0));  // found by satellite, transponder and service id
  ASSERT_TRUE(MoveProgram(*reference, 7, 0));
  ASSERT_TRUE(RenameProgram(*reference, 7, "Found by name"));
  auto db = Sample();
  ASSERT_TRUE(SetProgramServiceIdText(*db, 7, "0X99"));
  ASSERT_TRUE(RenameProgram(*db, 7, "Found by name"));
  DeleteProgram(*reference, 0);  // the rest follow in their own order
  ApplyPlan(*db, PlanOrderLike(*db, *reference));
  const auto order = Slots(*db);
  EXPECT_EQ(std::vector<Slot>(order.begin(), order.begin() + 4), (std::vector<Slot>{7, 13, 1, 2}));
  EXPECT_EQ(order.back(), 0);
}

}  // namespace
}  // namespace tuneflash
