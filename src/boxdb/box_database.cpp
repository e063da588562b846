// The tables of a fresh database: every table at its capacity, zero-filled.
#include "boxdb/box_database.h"

namespace tuneflash {

BoxTables::BoxTables()
    : satellites(kSatelliteCapacity),
      satellitesShow(kSatelliteCapacity),
      satTps(kSatTpCapacity),
      satTpsShow(kSatTpCapacity),
      terTps(kTerTpCapacity),
      terTpsShow(kTerTpCapacity),
      programs(kProgramCapacity),
      programsShow(kProgramCapacity),
      favGroups(kFavGroupCapacity),
      favGroupsShow(kFavGroupCapacity),
      casGroups(kCasGroupCapacity),
      casGroupsShow(kCasGroupCapacity),
      providerGroups(kProviderGroupCapacity),
      providerGroupsShow(kProviderGroupCapacity),
      programMarks(kProgramCapacity),
      tpMarks(kSatTpCapacity) {}

}  // namespace tuneflash
