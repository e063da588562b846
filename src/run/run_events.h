// The one stream a run reports through: typed events in the order they
// happen. Every front end (the terminal, the table of many ports, the
// window, the tests) takes only these; none computes a figure of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "run/link_failure.h"

namespace tuneflash {

// A phase of the job began ("Verify...", "Transfer...", ... follows or came just before).
struct PhaseStarted {
  LinkPhase phase = LinkPhase::Verify;
};

// The phase is over; its result text follows.
struct PhaseEnded {
  LinkPhase phase = LinkPhase::Verify;
  bool succeeded = true;
};

// How far the whole job is, in bytes: the transfer counts its data bytes,
// erase and program count each partition as an equal share of a fixed part
// of the total, so `done` never goes back and moves on every partition.
// `total` is 0 while it is not known (before a download's transfer, and all
// through an upload, whose sizes come from the box). The rate and time left
// come from the bytes over the line in the last few seconds.
struct JobProgress {
  LinkPhase phase = LinkPhase::Transfer;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::uint64_t lineBytes = 0;  // data bytes of the transfer so far
  std::optional<double> bytesPerSecond;
  std::optional<std::chrono::milliseconds> timeLeft;  // of the transfer
  int partitionsDone = 0;                             // of the running phase
  int partitions = 0;
};

// Partition `done` of `partitions` is through the running phase.
struct PartitionStep {
  LinkPhase phase = LinkPhase::Transfer;
  int done = 0;
  int partitions = 0;
};

// The Start loop waits for a box's hello ("Connectting..." follows): a bar starts over.
struct WaitingForBox {};

// A status text, character for character ("Transfering Data:  37%").
struct StatusLine {
  std::string text;
};

// A line for the log.
struct LogLine {
  std::string text;
};

// Why the box's pass failed: once per failed pass, after its status texts.
struct Failed {
  LinkFailure failure;
  std::string reason;  // DescribeFailure of it
};

// A frame missed (the box refused it or stayed silent, or the PC refused
// what the box sent) and goes again: miss `miss` of the `limit` a step takes
// before it fails (0: the step has no limit).
struct Retrying {
  FailureCause cause = FailureCause::NoReply;
  int miss = 0;
  int limit = 0;
};

// A box said hello and its job begins; it ended (its record is written).
struct BoxStarted {
  int box = 0;  // 1-based, counted on for the life of the lane
};
struct BoxEnded {
  int box = 0;
  bool succeeded = false;
  bool stopped = false;                // the port was closed (a stop, Reset)
  std::string reason;                  // why it failed (DescribeFailure); empty otherwise
  std::chrono::milliseconds took{0};   // from the hello to the record
  std::optional<LinkFailure> failure;  // why it failed or stopped
};

using RunEvent = std::variant<WaitingForBox, BoxStarted, PhaseStarted, StatusLine, PartitionStep, JobProgress,
                              PhaseEnded, LogLine, Failed, Retrying, BoxEnded>;

// "no reply from the box, trying again 3 of 10".
std::string DescribeRetry(const Retrying& retry);

}  // namespace tuneflash
