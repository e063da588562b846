// Fuzz target: a Data download file to the channel database and back. Any
// file converts or is refused with a reason; a file that converts gives a new
// file that converts again to the same tables.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "dld/file_io.h"
#include "satcodx/database_conversion.h"

namespace {

using namespace tuneflash;

const std::filesystem::path& WorkDirectory() {
  static const std::filesystem::path dir = [] {
    auto path = std::filesystem::temp_directory_path() / ("tuneflash-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& dir = WorkDirectory();
  const auto source = dir / "source.dld";
  WriteFileAtomically(source, ByteSpan(data, size));
  ConversionState state;
  state.workDirectory = dir;
  auto db = std::make_unique<BoxDatabase>();
  if (!DldToDatabase(source, *db, state)) {
    if (state.failure.empty()) std::abort();
    return 0;
  }
  const auto target = dir / "target.dld";
  try {
    DatabaseToDld(target, *db, state);
  } catch (const std::runtime_error&) {
    return 0;  // the database fits no layout, or the partitions cannot be built
  }
  ConversionState again;
  again.workDirectory = dir;
  auto back = std::make_unique<BoxDatabase>();
  if (!DldToDatabase(target, *back, again)) std::abort();
  if (back->programs() != db->programs() || back->satTps() != db->satTps()) std::abort();
  return 0;
}
