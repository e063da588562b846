// What the box registry asks of the platform about processes, and where it
// lives: process_facts_posix.cpp and process_facts_win32.cpp define these
// (and DefaultBoxRegistry of box_registry.h).
#pragma once

#include <cstdint>
#include <string>

namespace tuneflash {

using ProcessId = std::int64_t;

// True while process `pid` runs (owned by this user or another).
bool ProcessRuns(ProcessId pid);

ProcessId CurrentProcessId();

// This machine's name; empty when it cannot be had.
std::string HostName();

}  // namespace tuneflash
