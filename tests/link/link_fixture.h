// What the link tests share: a simulated box on its own thread with short
// waits, a port opened on it, download files of every set or of exact record
// lengths, and the observer calls a clean download or upload makes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "boxsim/box_sim.h"
#include "dld/builder.h"
#include "dld/lzo_codec.h"
#include "link/download.h"
#include "link/link_waits.h"
#include "link/posix_com_port.h"
#include "link/upgrade_status.h"
#include "recording_observer.h"
#include "support/temp_dir.h"

namespace tuneflash::testing {

// The limited waits shortened so a silent box costs a test well under a
// second per wait; ample for a box that answers.
inline LinkTiming FastTiming() {
  LinkTiming t;
  t.replyPolls = 1000;
  t.recordPolls = 1000;
  t.blockPolls = 1000;
  return t;
}

inline boxsim::BoxSimOptions FastBoxOptions(const boxsim::BoxFaults& faults = {}) {
  boxsim::BoxSimOptions o;
  o.faults = faults;
  o.reannounce = std::chrono::milliseconds(50);
  o.idleHello = std::chrono::milliseconds(50);
  o.sessionTimeout = std::chrono::milliseconds(3000);
  // TUNEFLASH_TRACE_TESTS=1 shows the box's side of every frame when a test needs a look.
  if (std::getenv("TUNEFLASH_TRACE_TESTS") != nullptr) o.line.trace = &std::cerr;
  return o;
}

// A simulated box running on its own thread, and the PC's port opened on it.
class BoxOnLine {
 public:
  explicit BoxOnLine(const boxsim::BoxFaults& faults = {}) : BoxOnLine(FastBoxOptions(faults)) {}
  explicit BoxOnLine(const boxsim::BoxSimOptions& options) : box(options) {
    box.Start();
    if (const auto opened = port.OpenComPort(box.DevicePath()); !opened)
      ADD_FAILURE() << DescribeFailure(opened.error());
  }
  ~BoxOnLine() {
    port.CloseComPort();
    box.Stop();
  }

  // Waits for the hello.
  bool Connect(RecordingObserver& observer) { return ConnectBox(port, observer, FastTiming()).has_value(); }

  boxsim::BoxSim box;
  PosixComPort port;
};

// Downloads `file` into the box on `line`.
inline void Flash(BoxOnLine& line, const Bytes& file) {
  TempDir dir;
  WriteBytes(dir / "f.dld", file);
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  ASSERT_TRUE(DownloadFile(line.port, observer, dir / "f.dld", file[kHeaderPartitionCountOffset],
                           {true, FastTiming()}));
}

inline std::vector<Bytes> SetImages(PartitionSet set, std::uint32_t seed) {
  std::vector<Bytes> images;
  for (const auto& p : PartitionsOf(set)) images.push_back(PatternImage(p.size, seed + p.address));
  return images;
}

inline FILE_DOWNLOAD_HEADER_T TestIdentity() {
  FILE_DOWNLOAD_HEADER_T h;
  SetFieldText(h.acManufacture, "TESTMAKER");
  SetFieldText(h.acHardwareModule, "HW1");
  SetFieldText(h.acHardwareVersion, "1.2");
  SetFieldText(h.acSoftwareModule, "SW1");
  SetFieldText(h.acSoftwareVersion, "3.4");
  return h;
}

inline Bytes SetFile(PartitionSet set, std::uint32_t seed = 1) {
  return BuildDownloadFile(TestIdentity(), set, SetImages(set, seed));
}

// A raw image whose LZO1X-1 stream is exactly `packedSize` bytes long.
inline Bytes RawPackingTo(std::size_t packedSize) {
  for (std::uint32_t seed = 1; seed < 50; ++seed) {
    for (std::size_t n = packedSize - 120; n < packedSize; ++n) {
      Bytes raw(n);
      std::uint32_t state = seed;
      for (auto& b : raw) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 23);
      }
      if (LzoCompress(raw).size() == packedSize) return raw;
    }
  }
  throw std::runtime_error("no image packs to that size");
}

// A download file of one partition at 0x40180000 whose data record is
// `recordSize` bytes long in all.
inline Bytes OnePartitionFile(std::size_t recordSize) {
  const Bytes raw = RawPackingTo(recordSize - kDataRecordOverhead);
  Bytes file(kHeaderRecordSize, 0);
  AppendPartition(file, {0x40180000, static_cast<std::uint32_t>(raw.size()), 0}, raw);
  FILE_DOWNLOAD_HEADER_T header = TestIdentity();
  header.ucPartitionType = TypeCodeForCount(1);
  header.ucPartitionCount = 1;
  header.iTotalSize = static_cast<std::uint32_t>(file.size());
  const auto bytes = SealHeader(header);
  std::copy(bytes.begin(), bytes.end(), file.begin());
  return file;
}

// The observer calls of a download of `n` partitions that succeeds.
inline std::vector<std::string> CleanDownloadEvents(int n) {
  std::vector<std::string> e{"controls off", "status Connect Success!", "status Verify...",
                             "status Verify Success!", "status Transfer..."};
  const auto step = "step " + std::to_string(n) + " 1";
  for (int i = 1; i <= n; ++i) {
    e.push_back(step);
    e.push_back("status " + PercentText(kTransferPercentPrefix, i, n));
  }
  e.insert(e.end(), {"status Transfer Success!", "status Erase flash..."});
  for (int i = 1; i <= n; ++i) {
    e.push_back("status " + PercentText(kErasePercentPrefix, i, n));
    e.push_back(step);
  }
  e.insert(e.end(), {"status Erase flash Success!", "status Program flash..."});
  for (int i = 1; i <= n; ++i) {
    e.push_back("status " + PercentText(kProgramPercentPrefix, i, n));
    e.push_back(step);
  }
  e.push_back("status Program flash Success!");
  return e;
}

// The frames a download of `file` owes the box, in order, when every frame
// is taken at once: the request, the header, then per partition its record
// and its blocks, numbered on across partitions.
inline std::vector<std::string> DownloadFrames(const Bytes& file) {
  std::vector<std::string> frames{"status 0A00", "header"};
  std::size_t offset = kFirstPartitionRecordOffset;
  unsigned block = 1;
  for (int i = 0; i < file[kHeaderPartitionCountOffset]; ++i) {
    frames.push_back("partition");
    offset += kPartitionRecordSize;
    const std::size_t total = GetLe24(file, offset + 1) + 4u;
    for (std::size_t n = 0; n <= total / kDataBlockPayload; ++n)
      frames.push_back("block " + std::to_string(block++ & 0xFF));
    offset += total;
  }
  return frames;
}

// The frames an upload that brings back `file` owes the box: the request,
// the header's ACK, the verdict, the request for the areas, then one ACK per
// partition record and per block (the box sends no empty last block).
inline std::vector<std::string> UploadFrames(const Bytes& file) {
  std::vector<std::string> frames{"status 0900", "ack", "status 0301", "request"};
  std::size_t offset = kFirstPartitionRecordOffset;
  for (int i = 0; i < file[kHeaderPartitionCountOffset]; ++i) {
    offset += kPartitionRecordSize;
    const std::size_t total = GetLe24(file, offset + 1) + 4u;
    frames.insert(frames.end(), 1 + (total + kDataBlockPayload - 1) / kDataBlockPayload, "ack");
    offset += total;
  }
  return frames;
}

// The observer calls of an upload of `n` partitions that succeeds.
inline std::vector<std::string> CleanUploadEvents(int n) {
  std::vector<std::string> e{"controls off", "status Connect Success!", "status Verify...",
                             "status Verify Success!", "status Transfer..."};
  for (int i = 1; i <= n; ++i) {
    e.push_back("step " + std::to_string(n) + " 1");
    e.push_back("status " + PercentText(kTransferPercentPrefix, i, n));
  }
  e.push_back("status Transfer Success!");
  return e;
}

}  // namespace tuneflash::testing
