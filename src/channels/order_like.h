// The order of a reference list applied to another: programs found in the
// reference take its order, the rest follow in their own.
#pragma once

#include "boxdb/box_database.h"
#include "channels/channel_plan.h"

namespace tuneflash {

// A program of `db` matches one of `reference` with the same satellite,
// transponder (frequency and polarisation), service id and name; those left
// then match by satellite, transponder and service id alone, and the rest by
// name. Each program of the reference matches at most one.
ChannelPlan PlanOrderLike(const BoxDatabase& db, const BoxDatabase& reference);

}  // namespace tuneflash
