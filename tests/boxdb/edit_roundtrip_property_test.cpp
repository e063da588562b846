// Random edits through the database operations (add and delete transponders
// and programs, rename, change a PID, move a program to another transponder),
// then encode and decode: what comes back must be what a plain model of the
// tables says, so no edit is lost on the way to the file.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "boxdb/programs.h"
#include "boxdb/transponders.h"
#include "fixtures.h"

namespace tuneflash {
namespace {

struct ProgramModel {
  std::string name;
  int tp = 0;
  std::array<int, 4> pids{160, 161, 162, 8191};
  std::uint8_t type = 0;
};

struct TpModel {
  int sat = 0;
  int frequency = 0;
};

class EditRoundTrip : public ::testing::Test {
 protected:
  void AddTransponder() {
    const auto sat = static_cast<std::uint8_t>(rng() % 4);
    const int frequency = 10700 + static_cast<int>(rng() % 2000);
    Slot slot = kNoSlot;
    if (!AddTp(*db, testing::MakeTp(sat, static_cast<std::uint8_t>(GetSatTpCount(*db, sat) + 1), frequency),
               slot)) {
      return;
    }
    tps[slot] = {sat, frequency};
  }

  Slot AnyTp() {
    auto it = tps.begin();
    std::advance(it, static_cast<long>(rng() % tps.size()));
    return it->first;
  }
  Slot AnyProgram() {
    auto it = programs.begin();
    std::advance(it, static_cast<long>(rng() % programs.size()));
    return it->first;
  }

  void AddOne() {
    if (tps.empty()) return;
    const Slot tp = AnyTp();
    const auto type = static_cast<std::uint8_t>(rng() % 2);
    const std::string name = "P" + std::to_string(rng() % 100000);
    const Slot slot = AddProgram(*db, testing::MakeProgram(tp, type, name));
    if (slot != kNoSlot) programs[slot] = {name, tp, {160, 161, 162, 8191}, type};
  }

  void Rename() {
    const Slot slot = AnyProgram();
    const std::string name = "Renamed " + std::to_string(rng() % 1000000000);  // over 16 bytes: cut
    ASSERT_TRUE(SetProgramName(*db, slot, name));
    programs[slot].name = name.substr(0, 16);
  }

  void ChangePid() {
    const Slot slot = AnyProgram();
    const int pid = 1 + static_cast<int>(rng() % 4);
    const int value = static_cast<int>(rng() % 8192);
    ASSERT_TRUE(SetProgramPidText(*db, slot, pid, " " + std::to_string(value)));
    programs[slot].pids[static_cast<std::size_t>(pid - 1)] = value;
    EXPECT_FALSE(SetProgramPidText(*db, slot, pid, "8192"));  // refused, nothing changed
  }

  void Move() {
    const Slot slot = AnyProgram();
    const Slot tp = AnyTp();
    if (CountProgramsOnTp(*db, tp) >= kMaxProgramsPerTp) return;
    ASSERT_TRUE(SetProgramTpIndex(*db, slot, tp));
    programs[slot].tp = tp;
  }

  void DeleteOne() {
    const Slot slot = AnyProgram();
    DeleteProgram(*db, slot);
    programs.erase(slot);
  }

  void DeleteTransponder() {
    const Slot tp = AnyTp();
    DeleteTp(*db, tp);
    std::erase_if(programs, [tp](const auto& entry) { return entry.second.tp == tp; });
    tps.erase(tp);
  }

  // Encodes, decodes into a fresh database and compares with the model.
  void ExpectFileHoldsModel() {
    auto loaded = std::make_unique<BoxDatabase>();
    DecodeDatabaseImage(*loaded, EncodeDatabaseImage(*db));
    ASSERT_NO_FATAL_FAILURE(testing::ExpectListConsistent(*loaded));
    const auto& h = loaded->programHeader();
    ASSERT_EQ(h.program_count, static_cast<int>(programs.size()));
    int radio = 0;
    for (const auto& [slot, p] : programs) radio += p.type == 1;
    ASSERT_EQ(h.radio_count, radio);
    for (const auto& [slot, p] : programs) {
      const auto& show = loaded->programsShow()[static_cast<std::size_t>(slot)];
      ASSERT_EQ(show.used, 1) << slot;
      ASSERT_EQ(show.name, p.name) << slot;
      ASSERT_EQ(show.tp_index, p.tp) << slot;
      ASSERT_EQ(show.service_type, p.type) << slot;
      const std::array texts{show.pid_1_text, show.pid_2_text, show.pid_3_text, show.pid_4_text};
      for (std::size_t k = 0; k < 4; ++k)
        ASSERT_EQ(texts[k], std::to_string(p.pids[k])) << slot << " PID " << k;
      // The decoded table and the one edited agree field for field.
      ASSERT_EQ(show, db->programsShow()[static_cast<std::size_t>(slot)]) << slot;
    }
    ASSERT_EQ(GetTpCount(*loaded), static_cast<int>(tps.size()));
    std::map<int, int> perSat;
    for (const auto& [slot, tp] : tps) {
      ASSERT_TRUE(IsTpUsed(*loaded, slot));
      ASSERT_EQ(GetTpSatIndex(*loaded, slot), tp.sat);
      ASSERT_EQ(GetTpFrequency(*loaded, slot), std::to_string(tp.frequency));
      ++perSat[tp.sat];
    }
    for (int sat = 0; sat < 4; ++sat) ASSERT_EQ(GetSatTpCount(*loaded, sat), perSat[sat]) << sat;
  }

  std::unique_ptr<BoxDatabase> db = testing::ResetDb();
  std::map<Slot, ProgramModel> programs;
  std::map<Slot, TpModel> tps;
  std::mt19937 rng{20261208};
};

TEST_F(EditRoundTrip, EveryEditSurvivesEncodeAndDecode) {
  for (int op = 0; op < 2000; ++op) {
    const auto dice = rng() % 100;
    if (dice < 6 || tps.empty()) {
      AddTransponder();
    } else if (dice < 45 || programs.empty()) {
      AddOne();
    } else if (dice < 58) {
      Rename();
    } else if (dice < 71) {
      ChangePid();
    } else if (dice < 82) {
      Move();
    } else if (dice < 98) {
      DeleteOne();
    } else {
      DeleteTransponder();
    }
    if (op % 1000 == 999) {
      ASSERT_NO_FATAL_FAILURE(ExpectFileHoldsModel()) << "after operation " << op;
    }
  }
  EXPECT_GT(programs.size(), 100u);
}

}  // namespace
}  // namespace tuneflash
