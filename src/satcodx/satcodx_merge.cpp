// SatcoDX line merge.
#include "satcodx/satcodx_merge.h"

#include "boxdb/programs.h"
#include "boxdb/satellites.h"
#include "boxdb/show_text.h"
#include "boxdb/transponders.h"

namespace tuneflash {
namespace {

void PumpIf(const SatcoDxMerger::Pump& pump) {
  if (pump) pump();
}

// The box codes polarisation 0 horizontal, 1 vertical; SatcoDX digits 0 and 2
// give 1, digits 1 and 3 give 0. Other digits have no mapping.
bool PolarisationFromDigit(std::uint8_t digit, std::uint8_t& polarisation) {
  switch (digit) {
    case 0:
      polarisation = 1;
      return true;
    case 1:
      polarisation = 0;
      return true;
    case 2:
      polarisation = 1;
      return true;
    case 3:
      polarisation = 0;
      return true;
    default:
      return false;
  }
}

std::string Trimmed(std::string_view text) {
  return std::string(TrimBlanks(text));
}

}  // namespace

SatcoDxLineResult SatcoDxMerger::MergeSatcoDxRecord(BoxDatabase& db, const SATCODX_INFO_SHOW_T& line,
                                                    const Pump& pump) {
  using enum SatcoDxLineOutcome;
  const Slot sat = FindSatelliteByPos(db, line.longitude);
  if (sat < 0) return {UnknownSatellite, false};
  PumpIf(pump);

  stagingTp_.used = 1;
  stagingTp_.sat_index = static_cast<std::uint8_t>(sat);
  stagingTp_.tp_number = static_cast<std::uint8_t>(GetSatTpCount(db, sat) + 1);
  PolarisationFromDigit(line.polarisation_digit,
                        stagingTp_.polarisation);  // other digits keep the last value
  stagingTp_.fec = line.fec;
  stagingTp_.frequency_text = Trimmed(line.frequency_text);
  stagingTp_.symbol_rate_text = Trimmed(line.symbol_rate_text);

  Slot tp = kNoSlot;
  SatcoDxLineResult result;
  if (!FindTp(db, sat, stagingTp_.polarisation, stagingTp_.fec, stagingTp_.frequency_text,
              stagingTp_.symbol_rate_text, tp)) {
    result.transponderAdded = AddTp(db, stagingTp_, tp);
  }
  if (tp < 0) {
    const bool full = GetTpCount(db) >= static_cast<int>(kSatTpCapacity) ||
                      GetSatTpCount(db, sat) >= kMaxTpsPerSatellite || FindFreeTpSlot(db) == kNoSlot;
    return {full ? DatabaseFull : DoesNotFit, false};
  }
  PumpIf(pump);

  PROGRAM_INFO_SHOW_T& p = stagingProgram_;
  p.used = 1;
  p.service_type = line.service_type;
  p.prog_param_1 = p.prog_flag_1 = p.prog_flag_2 = p.prog_flag_3 = 0;
  p.tp_source = kTpSourceSatellite;
  p.tp_index = tp;
  for (std::size_t i = 0; i < p.language.size(); ++i)
    p.language[i] = static_cast<std::uint8_t>(line.language_code[i]);
  p.service_id = line.service_id;  // the real service id, not only its text
  p.service_id_text = Trimmed(line.service_id_text);
  p.pid_1_text = Trimmed(line.pid_c_text);
  p.ca_count = line.scrambled;
  p.pid_2_text = Trimmed(line.pid_a_text);
  p.pid_2_type = line.mpeg_type;
  p.prog_flag_4 = p.prog_flag_5 = p.prog_flag_6 = 0;
  p.pid_3_text = Trimmed(line.pid_b_text);
  p.prog_flag_7 = 0;
  p.scrambled = line.scrambled > 0 ? 1 : 0;
  p.prog_flag_8 = 0;
  p.pid_4_text = "8191";
  p.prog_param_2 = 0;
  p.sat_index = static_cast<std::uint8_t>(sat);
  p.provider_index = kNoSlot;
  p.ca_ids = line.ca_ids;
  p.name = Trimmed(line.name);

  if (p.service_type == kServiceTypeData) {
    result.outcome = DataService;
  } else if (AddProgram(db, p) == kNoSlot) {
    const bool full = ProgramCount(db) >= static_cast<int>(kProgramCapacity) ||
                      CountProgramsOnTp(db, tp) >= kMaxProgramsPerTp;
    result.outcome = full ? DatabaseFull : DoesNotFit;
  }
  return result;
}

}  // namespace tuneflash
