// Channel listing.
#include "satcodx/channel_listing.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "boxdb/program_edits.h"
#include "boxdb/programs.h"
#include "boxdb/show_text.h"
#include "boxdb/transponders.h"

namespace tuneflash {
namespace {

constexpr std::string_view kFreeSatelliteName = "Uninstall";

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return out;
}

void WriteTable(std::ostream& out, const ChannelListing& l) {
  char line[256];
  out << "Satellites (" << l.satellites.size() << ")\n";
  for (const auto& s : l.satellites) {
    std::snprintf(line, sizeof line, "  %2d  %6s  %-19s  %3d transponders\n", s.slot, s.position.c_str(),
                  Printable(s.name).c_str(), s.transponders);
    out << line;
  }
  out << "Transponders (" << l.transponders.size() << ")\n";
  for (const auto& t : l.transponders) {
    std::snprintf(line, sizeof line,
                  "  %4d  sat %2d  #%-3d  %5s MHz %s  %5s ksym/s  FEC %-4s  %3d programs\n", t.slot,
                  t.satellite, t.number, t.frequency.c_str(), t.polarisation.c_str(), t.symbolRate.c_str(),
                  t.fec.c_str(), t.programs);
    out << line;
  }
  out << "Programs (" << l.programs.size() << ")\n";
  for (const auto& p : l.programs) {
    std::snprintf(line, sizeof line, "  %4d  %-16s  %-5s  sat %2d  tp %4d  sid %-10s  pids %s/%s%s", p.slot,
                  Printable(p.name).c_str(), p.type.c_str(), p.satellite, p.transponder, p.serviceId.c_str(),
                  p.videoPid.c_str(), p.audioPid.c_str(), p.scrambled ? "  scrambled" : "");
    out << line;
    if (!p.favourites.empty()) out << "  fav";
    for (const int g : p.favourites) out << " " << g;
    out << "\n";
  }
}

void WriteCsv(std::ostream& out, const ChannelListing& l) {
  out << "kind,slot,satellite,transponder,number,name,position,frequency,polarisation,symbol_rate,fec,type,"
         "service_id,video_pid,audio_pid,scrambled\n";
  for (const auto& s : l.satellites) {
    out << "satellite," << s.slot << ",,,," << CsvField(s.name) << "," << s.position << ",,,,,,,,,\n";
  }
  for (const auto& t : l.transponders) {
    out << "transponder," << t.slot << "," << t.satellite << ",," << t.number << ",,," << t.frequency << ","
        << t.polarisation << "," << t.symbolRate << "," << CsvField(t.fec) << ",,,,,\n";
  }
  for (const auto& p : l.programs) {
    out << "program," << p.slot << "," << p.satellite << "," << p.transponder << ",," << CsvField(p.name)
        << ",,,,,," << p.type << "," << p.serviceId << "," << p.videoPid << "," << p.audioPid << ","
        << (p.scrambled ? 1 : 0) << "\n";
  }
}

void WriteJson(std::ostream& out, const ChannelListing& l) {
  out << "{\n  \"satellites\": [";
  for (std::size_t i = 0; i < l.satellites.size(); ++i) {
    const auto& s = l.satellites[i];
    out << (i ? ",\n    " : "\n    ") << "{\"slot\": " << s.slot
        << ", \"position\": " << JsonString(s.position) << ", \"name\": " << JsonString(s.name)
        << ", \"transponders\": " << s.transponders << "}";
  }
  out << "\n  ],\n  \"transponders\": [";
  for (std::size_t i = 0; i < l.transponders.size(); ++i) {
    const auto& t = l.transponders[i];
    out << (i ? ",\n    " : "\n    ") << "{\"slot\": " << t.slot << ", \"satellite\": " << t.satellite
        << ", \"number\": " << t.number << ", \"frequency\": " << JsonString(t.frequency)
        << ", \"polarisation\": " << JsonString(t.polarisation)
        << ", \"symbol_rate\": " << JsonString(t.symbolRate) << ", \"fec\": " << JsonString(t.fec)
        << ", \"programs\": " << t.programs << "}";
  }
  out << "\n  ],\n  \"programs\": [";
  for (std::size_t i = 0; i < l.programs.size(); ++i) {
    const auto& p = l.programs[i];
    out << (i ? ",\n    " : "\n    ") << "{\"slot\": " << p.slot << ", \"name\": " << JsonString(p.name)
        << ", \"type\": " << JsonString(p.type) << ", \"satellite\": " << p.satellite
        << ", \"transponder\": " << p.transponder << ", \"service_id\": " << JsonString(p.serviceId)
        << ", \"video_pid\": " << JsonString(p.videoPid) << ", \"audio_pid\": " << JsonString(p.audioPid)
        << ", \"scrambled\": " << (p.scrambled ? "true" : "false") << ", \"favourites\": [";
    for (std::size_t g = 0; g < p.favourites.size(); ++g) out << (g ? ", " : "") << p.favourites[g];
    out << "]}";
  }
  out << "\n  ]\n}\n";
}

}  // namespace

// Names come from boxes and lists in any single-byte encoding: keep printable
// ASCII, write other bytes as Latin-1 code points so the output stays valid.
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b == '"' || b == '\\') {
      out += '\\';
      out += c;
    } else if (b >= 0x20 && b < 0x7F) {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
      out += escaped;
    }
  }
  return out + "\"";
}

ChannelListing ListChannels(const BoxDatabase& db) {
  ChannelListing listing;
  std::map<int, int> programsOnTp;
  for (const Slot s : ProgramListOrder(db)) {
    const auto& p = db.programsShow()[static_cast<std::size_t>(s)];
    ProgramRow row;
    row.slot = s;
    row.name = p.name;
    row.type = ProgramTypeName(p.service_type);
    row.transponder = p.tp_index;
    row.satellite = GetTpSatIndex(db, p.tp_index);
    row.serviceId = p.service_id_text;
    row.videoPid = p.pid_2_text;
    row.audioPid = p.pid_3_text;
    row.scrambled = p.scrambled != 0;
    for (int g = 0; g < static_cast<int>(kFavGroupCapacity); ++g) {
      if (IsInFavGroup(db, g, s)) row.favourites.push_back(g + 1);
    }
    ++programsOnTp[p.tp_index];
    listing.programs.push_back(std::move(row));
  }
  for (Slot t = 0; t < static_cast<Slot>(db.satTpsShow().size()); ++t) {
    if (!IsTpUsed(db, t)) continue;
    const auto& tp = db.satTpsShow()[static_cast<std::size_t>(t)];
    listing.transponders.push_back({t, tp.sat_index, tp.tp_number, GetTpFrequency(db, t),
                                    tp.polarisation_text, GetTpSymbolRate(db, t), tp.fec_text,
                                    programsOnTp[t]});
  }
  std::stable_sort(listing.transponders.begin(), listing.transponders.end(),
                   [](const auto& a, const auto& b) {
                     return a.satellite != b.satellite ? a.satellite < b.satellite : a.number < b.number;
                   });
  for (std::size_t s = 0; s < db.satellitesShow().size(); ++s) {
    const auto& sat = db.satellitesShow()[s];
    const int count = GetSatTpCount(db, static_cast<int>(s));
    if (sat.sat_name == kFreeSatelliteName && count == 0) continue;
    listing.satellites.push_back(
        {static_cast<int>(s), std::string(TrimBlanks(sat.longitude_text)), sat.sat_name, count});
  }
  return listing;
}

void WriteListing(std::ostream& out, const ChannelListing& listing, ListingFormat format) {
  switch (format) {
    case ListingFormat::Table:
      WriteTable(out, listing);
      break;
    case ListingFormat::Csv:
      WriteCsv(out, listing);
      break;
    case ListingFormat::Json:
      WriteJson(out, listing);
      break;
  }
}

}  // namespace tuneflash
