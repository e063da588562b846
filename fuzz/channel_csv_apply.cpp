// Fuzz target: a CSV loaded back into the sample channel database, as
// `channels apply` does. Any text either plans or is refused with a line;
// a plan either applies or is refused; the list afterwards is whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "boxdb/programs.h"
#include "channels/channel_csv.h"
#include "channels/channel_error.h"
#include "sample_copy.h"

using namespace tuneflash;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto db = SampleCopy();
  const std::string_view csv(reinterpret_cast<const char*>(data), size);
  try {
    ApplyPlan(*db, PlanFromCsv(*db, csv));
  } catch (const ChannelEditError&) {
    return 0;
  }
  if (ProgramListOrder(*db).size() != static_cast<std::size_t>(ProgramCount(*db))) std::abort();
  return 0;
}
