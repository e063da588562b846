// Link failures for the run record, in the link's own words.
#include "runlog/failure_record.h"

namespace tuneflash {

RecordedFailure RecordFailure(const LinkFailure& failure) {
  return RecordedFailure{std::string(PhaseText(failure.phase)), failure.partition, failure.block,
                         std::string(CauseText(failure.cause)), failure.reply,     DescribeFailure(failure)};
}

}  // namespace tuneflash
