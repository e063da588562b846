// The program list as a spreadsheet (CSV, UTF-8, header row first, one row
// per program in list order) and the plan that loads an edited one back.
#pragma once

#include <string>
#include <string_view>

#include "boxdb/box_database.h"
#include "channels/channel_plan.h"

namespace tuneflash {

// Columns: place, slot, name, satellite, frequency, polarisation, type,
// service_id, scrambled, favourites (group numbers from 1, blank-separated).
std::string ExportChannelCsv(const BoxDatabase& db);

// Rows are matched to programs by `slot`; `name` and `favourites` are taken,
// other columns only read. Programs without a row are deleted. The order is
// the rows' order, or, when the `place` column holds numbers, the order of
// those numbers (rows of equal place keep their row order). ChannelEditError
// naming the line for a malformed line, a slot that names no program in use
// or appears twice, a name that does not fit, or favourites that are not
// group numbers 1 to 8.
ChannelPlan PlanFromCsv(const BoxDatabase& db, std::string_view csv);

}  // namespace tuneflash
