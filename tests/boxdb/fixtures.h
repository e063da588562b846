// Shared helpers of the database tests: records as the SatcoDX merge fills
// them, and the list invariants every add and delete must keep.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "boxdb/box_database.h"
#include "boxdb/database_image.h"
#include "boxdb/programs.h"

namespace tuneflash::testing {

// A freshly reset database on the heap (the tables are large).
inline std::unique_ptr<BoxDatabase> ResetDb() {
  auto db = std::make_unique<BoxDatabase>();
  ResetDatabase(*db);
  return db;
}

inline PROGRAM_INFO_SHOW_T MakeProgram(int tp, std::uint8_t type = 0, const std::string& name = "Prog") {
  PROGRAM_INFO_SHOW_T p;
  p.used = 1;
  p.service_type = type;
  p.tp_source = 1;
  p.tp_index = static_cast<std::int16_t>(tp);
  p.language = {'d', 'e', 'u'};
  p.service_id_text = "0X1C";
  p.pid_1_text = "160";
  p.pid_2_text = "161";
  p.pid_2_type = 4;
  p.pid_3_text = "162";
  p.pid_4_text = "8191";
  p.sat_index = 3;
  p.provider_index = -1;
  p.name = name;
  return p;
}

inline SAT_TRANSPONDER_INFO_SHOW_T MakeTp(std::uint8_t sat, std::uint8_t number, int frequency,
                                          int symbolRate = 27500) {
  SAT_TRANSPONDER_INFO_SHOW_T tp;
  tp.used = 1;
  tp.sat_index = sat;
  tp.tp_number = number;
  tp.polarisation = 1;
  tp.fec = 3;
  tp.frequency_text = std::to_string(frequency);
  tp.symbol_rate_text = std::to_string(symbolRate);
  return tp;
}

// Adds in EditMode Adding, as the merge does.
inline Slot Add(BoxDatabase& db, const PROGRAM_INFO_SHOW_T& p) {
  return AddProgram(db, p);
}

// program_count, the counts by type and the list agree with the used slots,
// and the list visits every program once, from first_program to last_program,
// with prev_program mirroring next_program. Both forms agree on the links.
inline void ExpectListConsistent(const BoxDatabase& db) {
  int used = 0, tv = 0, radio = 0, data = 0;
  for (const auto& p : db.programsShow()) {
    if (p.used != 1) continue;
    ++used;
    tv += p.service_type == 0;
    radio += p.service_type == 1;
    data += p.service_type == 2;
  }
  const auto& h = db.programHeader();
  ASSERT_EQ(h.program_count, used);
  ASSERT_EQ(h.tv_count, tv);
  ASSERT_EQ(h.radio_count, radio);
  ASSERT_EQ(h.data_count, data);
  const auto order = ProgramListOrder(db);
  ASSERT_EQ(static_cast<int>(order.size()), used);
  if (used == 0) return;
  ASSERT_EQ(order.back(), h.last_program);
  Slot prev = kNoSlot;
  for (const Slot s : order) {
    const auto& show = db.programsShow()[static_cast<std::size_t>(s)];
    ASSERT_EQ(show.used, 1);
    ASSERT_EQ(show.prev_program, prev);
    const auto& box = db.programs()[static_cast<std::size_t>(s)].bytes;
    ASSERT_EQ(static_cast<Slot>(GetLe16(box, kProgramPrevOffset)), show.prev_program);
    ASSERT_EQ(static_cast<Slot>(GetLe16(box, kProgramNextOffset)), show.next_program);
    prev = s;
  }
  ASSERT_EQ(db.programsShow()[static_cast<std::size_t>(order.back())].next_program, kNoSlot);
}

}  // namespace tuneflash::testing
