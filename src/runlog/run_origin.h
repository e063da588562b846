// Where and in which command run a record was made, so that records gathered
// from many stations can be told apart and grouped: the station's name (the
// host name unless the operator names it) and an id of the command run.
#pragma once

#include <string>

namespace tuneflash {

struct RunOrigin {
  std::string station;
  std::string runId;  // "3f2a9c1e-7b4d-4e0a-9c55-1d2e3f405162": new for every command run

  // `station`, or the host name when it is empty, and a fresh run id.
  static RunOrigin OfThisRun(const std::string& station = {});
};

// A random id in the form of a version 4 UUID.
std::string NewRunId();

}  // namespace tuneflash
