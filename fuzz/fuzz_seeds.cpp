// Writes the generated seeds of the fuzz targets into SEED_ROOT/<target>/:
// sample Data files, the sample database image and system sector, and copies
// of the real SatcoDX lists. Usage: fuzz_seeds SEED_ROOT SATCODX_DIR
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>

#include "boxdb/database_image.h"
#include "dld/file_io.h"
#include "satcodx/sample_database.h"

namespace {

using namespace tuneflash;
namespace fs = std::filesystem;

// Erased flash at the end adds nothing a target reads differently.
Bytes TrimErased(Bytes bytes) {
  const auto last = std::find_if(bytes.rbegin(), bytes.rend(), [](std::uint8_t b) { return b != 0xFF; });
  bytes.erase(last.base(), bytes.end());
  return bytes;
}

void Write(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  fs::create_directories(dir);
  WriteFileAtomically(dir / name, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fuzz_seeds SEED_ROOT SATCODX_DIR\n";
    return 2;
  }
  const fs::path root = argv[1];
  const auto full = SampleDatabase(DefaultSampleSatellites());
  const auto small = SampleDatabase({DefaultSampleSatellites().front()});
  for (int slot : {1, 2}) {
    const Bytes file = SampleDataFile(slot == 1 ? *full : *small, slot, SampleIdentity());
    const std::string name = "sample_slot" + std::to_string(slot) + ".dld";
    Write(root / "download_verify", name, file);
    Write(root / "data_file_conversion", name, file);
  }
  Write(root / "database_codec", "sample_image.bin", TrimErased(EncodeDatabaseImage(*full)));
  Write(root / "database_codec", "sample_sector.bin", TrimErased(SampleSystemSector(7)));
  for (const auto& list : fs::directory_iterator(argv[2])) {
    if (list.path().extension() != ".sdx") continue;
    fs::create_directories(root / "satcodx_merge");
    fs::copy_file(list.path(), root / "satcodx_merge" / list.path().filename(),
                  fs::copy_options::overwrite_existing);
  }
  return 0;
}
