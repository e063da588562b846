// The job boundary of a box: whatever a job throws becomes that box's failed
// record, in the phase the job had reached, and never leaves BoxLog::Run.
#include "runlog/box_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "link/recording_observer.h"
#include "link/system_com_port.h"
#include "support/temp_dir.h"

namespace tuneflash::testing {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ThrowCase {
  const char* name;
  std::optional<LinkPhase> reached;  // the last phase the job started, if any
  bool standardException;
  const char* phase;  // the record's phase
  const char* text;   // in the record's reason
};

TEST(BoxLogJobBoundary, AThrowingJobIsAFailedRecordInItsPhase) {
  const ThrowCase cases[] = {
      {"before any phase", std::nullopt, true, "verify", "too many areas"},
      {"in the transfer", LinkPhase::Transfer, true, "transfer", "too many areas"},
      {"in the program wait", LinkPhase::Program, true, "program", "too many areas"},
      {"not a standard exception", LinkPhase::Erase, false, "erase", "an unknown error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    RunLogFailure opening;
    auto file = RunLogFile::Open(dir / "runs.jsonl", opening);
    ASSERT_TRUE(file);
    const auto system = MakeSystemComPort();
    CountingComPort port(*system);
    RecordingObserver seen;
    PhaseWatch events(seen);
    BoxLog log(std::make_shared<const RunLogFile>(std::move(*file)), "verify", "COM.01", port);
    const BoxJob job{[&]() -> LinkStatus {
                       if (c.reached) events.OnEvent(PhaseStarted{*c.reached});
                       if (c.standardException)
                         throw std::length_error("too many areas for one upload request");
                       throw 7;
                     },
                     [&](bool) { return FactsOfBytes("f.dld", Bytes(3)); },
                     {}};
    LinkStatus status = LinkOk();
    ASSERT_NO_THROW(status = log.Run(job, events));
    ASSERT_FALSE(status);
    ASSERT_TRUE(log.last() && log.last()->failure);
    EXPECT_EQ(log.last()->outcome, RunOutcome::Failed);
    EXPECT_EQ(log.last()->failure->phase, c.phase);
    EXPECT_NE(log.last()->failure->text.find(c.text), std::string::npos) << log.last()->failure->text;
    const std::string written = ReadText(dir / "runs.jsonl");
    EXPECT_NE(written.find("\"result\":\"failed\""), std::string::npos) << written;
  }
}

}  // namespace
}  // namespace tuneflash::testing
