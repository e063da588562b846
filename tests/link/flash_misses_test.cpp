// The reason of a failed erase or program wait, from what came instead of
// the results.
#include "link/flash_misses.h"

#include <gtest/gtest.h>

namespace tuneflash {
namespace {

TEST(FlashMisses, FailureReportsAreToldFromOtherFrames) {
  struct Miss {
    bool report;
    int status;
    int awaited;
  };
  struct Case {
    std::vector<Miss> misses;
    bool erase;
    FailureCause cause;
    int partition;
    std::string detail;
  };
  const std::vector<Case> cases = {
      {{{true, 14, 3}, {false, 0, 8}, {false, 0, 8}},
       false,
       FailureCause::ProgramFailed,
       3,
       "the box reported a program failure for partition 3 (1 report); 2 frames in a row that are no program "
       "result, the last a hello"},
      {{{true, 11, 2}, {true, 11, 2}},
       true,
       FailureCause::EraseFailed,
       2,
       "the box reported an erase failure for partition 2 (2 reports)"},
      {{{false, 15, 1}, {false, -1, 1}},
       true,
       FailureCause::Unexpected,
       1,
       "2 frames in a row that are no erase result, the last a status frame without meaning"},
  };
  for (const Case& c : cases) {
    FlashMisses misses;
    for (const Miss& m : c.misses) misses.Note(m.report, m.status, m.awaited);
    const LinkFailure f = misses.Failure(c.erase, c.misses.back().awaited);
    EXPECT_EQ(f.cause, c.cause);
    EXPECT_EQ(f.partition, c.partition);
    EXPECT_EQ(f.detail, c.detail);
  }
}

}  // namespace
}  // namespace tuneflash
