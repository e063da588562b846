// One session of the simulated box after its hello: a download (header and
// verdict, partitions in blocks, erase and program results) or an upload
// (header, verdict, request, areas in blocks), with the faults asked for.
#pragma once

#include <optional>

#include "boxsim/box_sim.h"

namespace tuneflash::boxsim {

class BoxSession {
 public:
  explicit BoxSession(BoxSim& box) : box_(box), line_(box.line_), faults_(box.options_.faults) {}

  // After the PC's download request: header, verdict, partitions, results.
  void Download();
  // After the PC's upload request: header, its ACK and the verdict, the
  // request for the areas, then the areas in blocks.
  void Upload();

 private:
  struct Partition;

  std::optional<Frame> Read(std::initializer_list<FrameKind> kinds);
  bool Send(ByteSpan frame);
  bool SendStatus(int status);
  bool Reply(std::uint8_t byte);
  bool SendUntilAcknowledged(ByteSpan first, ByteSpan again);
  void StaySilent();
  bool ReceivePartitions(int count, std::vector<Partition>& partitions);
  bool ReportFlashResults(const std::vector<Partition>& partitions);

  BoxSim& box_;
  BoxLine& line_;
  const BoxFaults& faults_;
  int replies_ = 0;
};

}  // namespace tuneflash::boxsim
