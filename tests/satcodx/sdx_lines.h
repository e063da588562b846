// Builds SatcoDX lines column by column for tests.
#pragma once

#include <string>
#include <string_view>

#include "dld/bytes.h"
#include "satcodx/satcodx_record.h"

namespace tuneflash::testing {

struct SdxColumns {
  std::string satName = "Astra 1 (19.2E)";
  char type = 'T';
  std::string mpeg = "MPG2";
  std::string frequencyKHz = "011778000";
  char polarisation = '1';
  std::string name = "Das Erst";
  std::string name2 = "e HD";
  std::string position = "0192";
  std::string symbolRate = "27500";
  char fec = '3';
  std::string pidA = "0101";
  std::string pidB = "0102";
  std::string pidC = "0100";
  std::string serviceId = "28106";
  std::string language = "deu_";
  std::string crypto = "____";
};

// One 128-byte line, unused columns filled with "_" as writers do.
inline std::string SdxLine(const SdxColumns& s) {
  std::string line(kSatcoDxLineSize, '_');
  auto put = [&line](std::size_t at, std::size_t width, std::string_view text) {
    std::string field(text.substr(0, width));
    field.resize(width, ' ');
    line.replace(at, width, field);
  };
  put(0, 7, "SATCODX");
  put(7, 3, "103");
  put(10, 18, s.satName);
  line[28] = s.type;
  put(29, 4, s.mpeg);
  put(33, 9, s.frequencyKHz);
  line[42] = s.polarisation;
  put(43, 8, s.name);
  put(51, 4, s.position);
  put(55, 8, "AST     ");
  put(69, 5, s.symbolRate);
  line[74] = s.fec;
  put(75, 4, s.pidA);
  put(79, 4, s.pidB);
  put(83, 4, s.pidC);
  put(87, 5, s.serviceId);
  put(92, 5, "01079");
  put(97, 5, "00001");
  put(102, 4, s.language);
  put(111, 4, s.crypto);
  put(115, 12, s.name2);
  line[127] = ' ';
  return line;
}

inline Bytes SdxFile(std::initializer_list<std::string> lines, std::string_view separator = "") {
  Bytes file;
  for (const auto& line : lines) {
    file.insert(file.end(), line.begin(), line.end());
    file.insert(file.end(), separator.begin(), separator.end());
  }
  return file;
}

}  // namespace tuneflash::testing
