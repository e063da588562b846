// Thousands of random adds, deletes, moves, reorders, renames and favourite
// changes against a model of what must hold: the list in its order and its
// counters, names, favourite groups compacted, provider groups counted and
// freed at 0, CA group counts, and system block references cleared exactly
// for the programs deleted. Refused edits change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "boxdb/field_tables.h"
#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "boxdb/system_sector.h"
#include "fixtures.h"
#include "support/system_sector_image.h"

namespace tuneflash {
namespace {

constexpr int kProviders = 10;
constexpr int kCasGroups = 4;
constexpr int kTps = 30;

struct Model {
  std::map<Slot, PROGRAM_INFO_SHOW_T> programs;
  std::vector<Slot> order;
  std::array<std::vector<Slot>, kFavGroupCapacity> favs;
  std::array<int, kProviders> providerCounts{};
  std::array<bool, kProviders> providerEverUsed{};
  std::array<int, kCasGroups> casCounts{};
  std::array<Slot, kProgramRefCount> refs{};
};

std::uint16_t CasKey(int group) {
  return static_cast<std::uint16_t>(0x0100 + group);
}

// `group` with flag 0, `key` and `count`, as the box files a program into it.
template <typename Record>
Record WithCount(Record group, int key, int count) {
  EncodeBitFields(group.bytes, kGroupFields, std::array<std::int64_t, 3>{0, key, count});
  return group;
}

// The box names `program` in reference `ref` of its system block and writes
// the block with fresh check values; the database reads it back.
void SetRef(BoxDatabase& db, std::size_t ref, Slot program) {
  SYSTEM_DATA_BASE_T block = db.systemBlock();
  PutLe16(block.bytes, 40 + 2 * ref, static_cast<std::uint16_t>(program));
  PutLe16(block.bytes, 56 + 2 * ref, 5);
  ASSERT_TRUE(DecodeSystemSector(db, testing::SectorWithBlock(block)));
}

class ProgramsProperty : public ::testing::Test {
 protected:
  void SetUp() override {
    db = testing::ResetDb();
    for (int c = 0; c < kCasGroups; ++c) {
      StoreCasGroup(*db, c, WithCount(db->casGroups()[static_cast<std::size_t>(c)], CasKey(c), 0));
    }
    model.refs.fill(kNoSlot);
    for (std::size_t r = 0; r < kProgramRefCount; ++r) SetRef(*db, r, kNoSlot);
  }

  void AddOne() {
    auto p = testing::MakeProgram(static_cast<int>(rng() % kTps), static_cast<std::uint8_t>(rng() % 4));
    p.provider_index = static_cast<std::int16_t>(static_cast<int>(rng() % (kProviders + 1)) - 1);
    p.ca_count = static_cast<std::uint8_t>(rng() % 3);
    for (std::size_t k = 0; k < p.ca_count; ++k) p.ca_ids[k] = CasKey(static_cast<int>(rng() % kCasGroups));
    const Slot slot = testing::Add(*db, p);
    if (p.service_type == 2) {
      ASSERT_EQ(slot, kNoSlot);
      return;
    }
    if (slot == kNoSlot) return;  // the transponder is full
    model.programs[slot] = p;
    model.order.push_back(slot);
    // What the box does when it files a program into its groups.
    if (p.provider_index >= 0) {
      const auto g = static_cast<std::size_t>(p.provider_index);
      model.providerEverUsed[g] = true;
      StoreProviderGroup(
          *db, p.provider_index,
          WithCount(db->providerGroups()[g], 50 + p.provider_index, ++model.providerCounts[g]));
    }
    for (std::size_t k = 0; k < p.ca_count; ++k) {
      const auto g = static_cast<std::size_t>(p.ca_ids[k] - CasKey(0));
      StoreCasGroup(*db, static_cast<int>(g),
                    WithCount(db->casGroups()[g], p.ca_ids[k], ++model.casCounts[g]));
    }
    const auto fav = static_cast<std::size_t>(rng() % kFavGroupCapacity);
    if (rng() % 3 == 0 && model.favs[fav].size() < kFavGroupMembers) {
      FAV_GROGUP_INFO_T group = db->favGroups()[fav];
      const std::size_t count = GetLe16(group.bytes, 0);
      PutLe16(group.bytes, 18 + 2 * count, static_cast<std::uint16_t>(slot));
      PutLe16(group.bytes, 0, static_cast<std::uint16_t>(count + 1));
      StoreFavGroup(*db, static_cast<int>(fav), group);
      model.favs[fav].push_back(slot);
    }
    if (rng() % 5 == 0) {
      const auto ref = rng() % kProgramRefCount;
      SetRef(*db, ref, slot);
      model.refs[ref] = slot;
    }
  }

  void Forget(Slot slot) {
    const auto& p = model.programs.at(slot);
    if (p.provider_index >= 0) --model.providerCounts[static_cast<std::size_t>(p.provider_index)];
    for (std::size_t k = 0; k < p.ca_count; ++k)
      --model.casCounts[static_cast<std::size_t>(p.ca_ids[k] - CasKey(0))];
    for (auto& fav : model.favs) std::erase(fav, slot);
    for (auto& ref : model.refs) {
      if (ref == slot) {
        ref = kNoSlot;
        expectChanged = true;
      }
    }
    model.programs.erase(slot);
    std::erase(model.order, slot);
  }

  Slot AnyProgram() { return model.order.empty() ? kNoSlot : model.order[rng() % model.order.size()]; }

  // A place one past the end is refused.
  void MoveOne() {
    const Slot slot = AnyProgram();
    const auto place = static_cast<int>(rng() % (model.order.size() + 1));
    const bool fits = slot != kNoSlot && static_cast<std::size_t>(place) < model.order.size();
    ASSERT_EQ(MoveProgram(*db, slot, place), fits);
    if (!fits) return;
    std::erase(model.order, slot);
    model.order.insert(model.order.begin() + place, slot);
  }

  // Names of 17 and 18 bytes or with a zero byte are refused.
  void RenameOne() {
    const Slot slot = AnyProgram();
    std::string name(rng() % 19, static_cast<char>('A' + rng() % 26));
    if (!name.empty() && rng() % 8 == 0) name[rng() % name.size()] = '\0';
    const bool fits = slot != kNoSlot && name.size() <= 16 && name.find('\0') == std::string::npos;
    ASSERT_EQ(RenameProgram(*db, slot, name), fits);
    if (fits) model.programs[slot].name = name;
  }

  // Group 8 (one past the last) is refused, as is a 201st member.
  void ToggleFavourite() {
    const Slot slot = AnyProgram();
    const auto group = static_cast<int>(rng() % (kFavGroupCapacity + 1));
    if (slot == kNoSlot || group == static_cast<int>(kFavGroupCapacity)) {
      ASSERT_FALSE(AddToFavGroup(*db, group, slot));
      return;
    }
    auto& members = model.favs[static_cast<std::size_t>(group)];
    if (std::find(members.begin(), members.end(), slot) != members.end()) {
      ASSERT_TRUE(IsInFavGroup(*db, group, slot));
      RemoveFromFavGroup(*db, group, slot);
      std::erase(members, slot);
    } else {
      ASSERT_FALSE(IsInFavGroup(*db, group, slot));
      const bool fits = members.size() < kFavGroupMembers;
      ASSERT_EQ(AddToFavGroup(*db, group, slot), fits);
      if (fits) members.push_back(slot);
    }
  }

  // A shuffled list is taken; one with a program twice or missing is refused.
  void Reorder() {
    std::vector<Slot> order = model.order;
    std::shuffle(order.begin(), order.end(), rng);
    const bool spoil = order.size() > 1 && rng() % 3 == 0;
    if (spoil) order.back() = order.front();
    ASSERT_EQ(SetProgramOrder(*db, order), !spoil);
    if (!spoil) model.order = order;
  }

  void DeleteOne() {
    if (model.programs.empty()) return;
    auto it = model.programs.begin();
    std::advance(it, static_cast<long>(rng() % model.programs.size()));
    const Slot slot = it->first;
    Forget(slot);
    DeleteProgram(*db, slot);
  }

  void DeleteTp() {
    const auto tp = static_cast<int>(rng() % kTps);
    std::vector<Slot> gone;
    for (const auto& [slot, p] : model.programs) {
      if (p.tp_index == tp) gone.push_back(slot);
    }
    for (const Slot slot : gone) Forget(slot);
    DeleteProgramsOfTp(*db, tp);
  }

  void ExpectModel() {
    testing::ExpectListConsistent(*db);
    ASSERT_EQ(static_cast<std::size_t>(db->programHeader().program_count), model.programs.size());
    for (const auto& [slot, p] : model.programs) {
      ASSERT_TRUE(IsProgramUsed(*db, slot));
      ASSERT_EQ(db->programsShow()[static_cast<std::size_t>(slot)].name, p.name);
    }
    ASSERT_EQ(ProgramListOrder(*db), model.order);
    for (std::size_t g = 0; g < kFavGroupCapacity; ++g) {
      const auto& show = db->favGroupsShow()[g];
      const auto& box = db->favGroups()[g].bytes;
      ASSERT_EQ(static_cast<std::size_t>(show.count), model.favs[g].size());
      ASSERT_EQ(GetLe16(box, 0), model.favs[g].size());
      for (std::size_t j = 0; j < kFavGroupMembers; ++j) {
        const Slot expected = j < model.favs[g].size() ? model.favs[g][j] : kNoSlot;
        ASSERT_EQ(show.programs[j], expected);
        ASSERT_EQ(static_cast<Slot>(GetLe16(box, 18 + 2 * j)), expected);
      }
    }
    for (std::size_t g = 0; g < kProviders; ++g) {
      ASSERT_EQ(ProviderGroupCount(*db, static_cast<int>(g)), model.providerCounts[g]);
      ASSERT_EQ(DecodeBitField(db->providerGroups()[g].bytes, kGroupFields[group_bits::kCount]),
                static_cast<std::uint32_t>(model.providerCounts[g]));
      if (model.providerCounts[g] == 0 && model.providerEverUsed[g]) {
        ASSERT_EQ(db->providerGroupsShow()[g].key, -1);
        ASSERT_EQ(GetLe32(db->providerGroups()[g].bytes, 0), 0x0000FFFEu);
      }
    }
    for (std::size_t g = 0; g < kCasGroups; ++g) {
      ASSERT_EQ(CasGroupCount(*db, static_cast<int>(g)), model.casCounts[g]);
      ASSERT_EQ(db->casGroupsShow()[g].key, CasKey(static_cast<int>(g)));
    }
    for (std::size_t r = 0; r < kProgramRefCount; ++r) {
      ASSERT_EQ(db->systemBlockShow().box_info.ref_program[r], model.refs[r]);
      ASSERT_EQ(static_cast<Slot>(GetLe16(db->systemBlock().bytes, 40 + 2 * r)), model.refs[r]);
    }
    ASSERT_EQ(SystemBlockChanged(*db), expectChanged);
  }

  std::unique_ptr<BoxDatabase> db;
  Model model;
  std::mt19937 rng{12345};
  bool expectChanged = false;
};

TEST_F(ProgramsProperty, RandomAddsAndDeletesKeepEveryInvariant) {
  for (int op = 0; op < 6000; ++op) {
    const auto dice = rng() % 100;
    if (dice < 40) {
      AddOne();
    } else if (dice < 72) {
      DeleteOne();
    } else if (dice < 74) {
      DeleteTp();
    } else if (dice < 84) {
      MoveOne();
    } else if (dice < 88) {
      RenameOne();
    } else if (dice < 98) {
      ToggleFavourite();
    } else {
      Reorder();
    }
    ASSERT_NO_FATAL_FAILURE(testing::ExpectListConsistent(*db)) << "after operation " << op;
    if (op % 20 == 0) {
      ASSERT_NO_FATAL_FAILURE(ExpectModel()) << "after operation " << op;
    }
  }
  ExpectModel();
  EXPECT_TRUE(SystemBlockChanged(*db));
}

}  // namespace
}  // namespace tuneflash
