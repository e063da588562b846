// A link failure as the run record keeps it.
#pragma once

#include "run/link_failure.h"
#include "runlog/run_record.h"

namespace tuneflash {

RecordedFailure RecordFailure(const LinkFailure& failure);

}  // namespace tuneflash
