// Write access to a BoxDatabase's tables, for the database's own operations
// in boxdb only (the table functions and the image and sector codecs). Each
// user writes a record's box form and show form in the same step; nothing
// outside src/boxdb includes this header (a test checks that).
#pragma once

#include "boxdb/box_database.h"

namespace tuneflash {

struct TableAccess {
  static BoxTables& Of(BoxDatabase& db) { return db.t_; }
  static const BoxTables& Of(const BoxDatabase& db) { return db.t_; }
};

inline BoxTables& Tables(BoxDatabase& db) {
  return TableAccess::Of(db);
}
inline const BoxTables& Tables(const BoxDatabase& db) {
  return TableAccess::Of(db);
}

}  // namespace tuneflash
