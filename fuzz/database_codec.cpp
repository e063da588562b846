// Fuzz target: the database image and the system sector codecs. The input is
// taken as a database image and as a system sector; each decodes, encodes, and
// the encoding decodes to the same tables and encodes to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "boxdb/database_image.h"
#include "boxdb/system_sector.h"

namespace {

using namespace tuneflash;

bool SameTables(const BoxDatabase& a, const BoxDatabase& b) {
  return a.satellitesShow() == b.satellitesShow() && a.satTpHeader() == b.satTpHeader() &&
         a.satTpsShow() == b.satTpsShow() && a.terTpHeader() == b.terTpHeader() &&
         a.terTpsShow() == b.terTpsShow() && a.programHeader() == b.programHeader() &&
         a.programsShow() == b.programsShow() && a.favGroupsShow() == b.favGroupsShow();
}

void ImageRoundTrip(ByteSpan input) {
  auto first = std::make_unique<BoxDatabase>();
  ResetDatabase(*first);
  DecodeDatabaseImage(*first, input);
  const Bytes encoded = EncodeDatabaseImage(*first);
  auto second = std::make_unique<BoxDatabase>();
  ResetDatabase(*second);
  DecodeDatabaseImage(*second, encoded);
  if (!SameTables(*first, *second) || EncodeDatabaseImage(*second) != encoded) std::abort();
}

void SectorRoundTrip(ByteSpan input) {
  auto first = std::make_unique<BoxDatabase>();
  if (!DecodeSystemSector(*first, input)) return;
  Bytes sector(kSystemSectorSize, 0xFF);
  EncodeSystemSector(*first, sector);
  auto second = std::make_unique<BoxDatabase>();
  if (!DecodeSystemSector(*second, sector)) std::abort();
  if (second->sectorHeader() != first->sectorHeader() || second->secondHeader() != first->secondHeader())
    std::abort();
  Bytes again(kSystemSectorSize, 0xFF);
  EncodeSystemSector(*second, again);
  if (again != sector) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan input(data, size);
  ImageRoundTrip(input);
  SectorRoundTrip(input);
  return 0;
}
