// Figures for the channel database: decoding and encoding a full database
// image, and filling the tables one add at a time as the SatcoDX merge does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "boxdb/database_image.h"
#include "boxdb/programs.h"
#include "boxdb/transponders.h"

namespace tuneflash {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

SAT_TRANSPONDER_INFO_SHOW_T Transponder(const BoxDatabase& db, int i) {
  SAT_TRANSPONDER_INFO_SHOW_T tp;
  tp.used = 1;
  tp.sat_index = static_cast<std::uint8_t>(i % 20);
  tp.tp_number = static_cast<std::uint8_t>(GetSatTpCount(db, tp.sat_index) + 1);
  tp.polarisation = static_cast<std::uint8_t>(i % 2);
  tp.fec = 3;
  tp.frequency_text = std::to_string(10700 + i);
  tp.symbol_rate_text = "27500";
  return tp;
}

PROGRAM_INFO_SHOW_T Program(int i, int tp) {
  PROGRAM_INFO_SHOW_T p;
  p.used = 1;
  p.service_type = static_cast<std::uint8_t>(i % 2);
  p.tp_source = 1;
  p.tp_index = static_cast<std::int16_t>(tp);
  p.language = {'e', 'n', 'g'};
  p.service_id_text = "0X1C";
  p.pid_1_text = "160";
  p.pid_2_text = "161";
  p.pid_2_type = 4;
  p.pid_3_text = "162";
  p.pid_4_text = "8191";
  p.sat_index = static_cast<std::uint8_t>(tp % 20);
  p.provider_index = -1;
  p.name = "Program " + std::to_string(i);
  return p;
}

struct FillTimes {
  double tps = 0;
  double programs = 0;
};

// Adds `tpCount` transponders, then 4000 programs spread over them.
FillTimes Fill(BoxDatabase& db, int tpCount) {
  ResetDatabase(db);
  FillTimes times;
  const auto start = Clock::now();
  for (int i = 0; i < tpCount; ++i) {
    Slot slot = kNoSlot;
    if (!AddTp(db, Transponder(db, i), slot)) std::printf("transponder %d refused\n", i);
  }
  times.tps = MsSince(start);
  const auto programsStart = Clock::now();
  for (int i = 0; i < static_cast<int>(kProgramCapacity); ++i) {
    if (AddProgram(db, Program(i, i % tpCount)) == kNoSlot) std::printf("program %d refused\n", i);
  }
  times.programs = MsSince(programsStart);
  return times;
}

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-52s median %8.2f ms  min %8.2f ms  (%zu runs)\n", what, ms[ms.size() / 2], ms.front(),
              ms.size());
}

void Run() {
  auto db = std::make_unique<BoxDatabase>();
  std::vector<double> addTps, addPrograms, addAll;
  for (int run = 0; run < 5; ++run) {
    const auto t = Fill(*db, 1999);
    addTps.push_back(t.tps);
    addPrograms.push_back(t.programs);
    addAll.push_back(t.tps + t.programs);
  }
  Report("add 1999 transponders one by one", addTps);
  Report("add 4000 programs one by one", addPrograms);
  Report("both (goal: under 200 ms)", addAll);

  Fill(*db, 2000);
  const Bytes image = EncodeDatabaseImage(*db);
  auto decoded = std::make_unique<BoxDatabase>();
  std::vector<double> decode, encode, both;
  for (int run = 0; run < 20; ++run) {
    auto start = Clock::now();
    DecodeDatabaseImage(*decoded, image);
    decode.push_back(MsSince(start));
    start = Clock::now();
    const Bytes again = EncodeDatabaseImage(*decoded);
    encode.push_back(MsSince(start));
    both.push_back(decode.back() + encode.back());
    if (again != image) std::printf("round trip differs\n");
  }
  std::printf("full image: %d transponders, %d programs\n", GetTpCount(*decoded), ProgramCount(*decoded));
  Report("decode full image", decode);
  Report("encode full image", encode);
  Report("decode + encode (goal: under 20 ms)", both);
}

}  // namespace
}  // namespace tuneflash

int main() {
  tuneflash::Run();
  return 0;
}
