// The download sequence: header and verdict, partitions in acknowledged
// blocks, then the box's erase and program results.
#include "link/download.h"

#include <array>
#include <vector>

#include "dld/records.h"
#include "link/link_frames.h"
#include "link/record_file.h"
#include "link/report.h"
#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

constexpr int kMaxMisses = 10;

class DownloadRun {
 public:
  DownloadRun(ComPort& port, RunObserver& observer, const std::filesystem::path& path, int partitionCount,
              const DownloadOptions& options)
      : port_(port),
        observer_(observer),
        file_(path, RecordFile::Mode::ReadWrite),
        count_(partitionCount),
        options_(options) {}

  bool Run() {
    observer_.SetRunControlsEnabled(false);
    if (options_.showConnectSuccess) ReportStatus(observer_, kConnectSuccess);
    // No answer is awaited: the header's write purges whatever comes back.
    SendStatusFrame(port_, kDownloadRequest);
    return Phase(kVerifying, kVerifySuccess, kVerifyFailed, [this] { return SendHeaderRecord(); }) &&
           Phase(kTransferring, kTransferSuccess, kTransferFailed, [this] { return TransferPartitions(); }) &&
           Phase(kErasing, kEraseSuccess, kEraseFailed,
                 [this] { return WaitFlashResults(kEraseSuccess, kErasePercentPrefix); }) &&
           Phase(kProgramming, kProgramSuccess, kProgramFailed,
                 [this] { return WaitFlashResults(kProgramSuccess, kProgramPercentPrefix); });
  }

 private:
  template <typename Step>
  bool Phase(int running, int succeeded, int failed, Step step) {
    ReportStatus(observer_, running);
    const bool ok = step();
    ReportStatus(observer_, ok ? succeeded : failed);
    return ok;
  }

  // Written in full and answered with ACK.
  bool SendAcknowledged(ByteSpan frame) {
    return port_.WriteComPort(frame) == static_cast<int>(frame.size()) &&
           WaitReply(port_, observer_, options_.timing.replyPolls, options_.timing) == kAck;
  }

  bool SendHeaderRecord() {
    if (file_.ByteAt(0) != kHeaderTag) return false;
    std::array<std::uint8_t, 2> length{};
    if (!file_.ReadAt(1, length)) return false;
    const std::size_t size = GetLe16(length, 0) + 3u;
    if (size > kMaxComFrame) return false;
    std::vector<std::uint8_t> frame(size);
    if (!file_.ReadAt(0, frame)) return false;
    // A refused header goes again at once, for as long as the box refuses it;
    // only writes that fail (the port closed) use up the attempts.
    int misses = 0;
    bool acknowledged = false;
    while (!acknowledged && misses < kMaxMisses) {
      if (port_.WriteComPort(frame) != static_cast<int>(frame.size())) {
        ++misses;
        continue;
      }
      acknowledged = WaitReply(port_, observer_, options_.timing.replyPolls, options_.timing) == kAck;
      misses = acknowledged ? 0 : 1;
    }
    return acknowledged && WaitStatusFrame(port_, observer_, options_.timing) == kVerifySuccess;
  }

  bool TransferPartitions() {
    std::size_t offset = kFirstPartitionRecordOffset;
    std::uint32_t block = 1;
    int misses = 0;
    for (int i = 1; i <= count_ && misses < kMaxMisses;) {
      observer_.Pump();
      if (!port_.PortOpen()) return false;
      if (!SendPartitionRecord(offset)) {
        ++misses;
        continue;
      }
      misses = 0;
      observer_.StepProgress(count_, 1);
      ReportPercent(observer_, kTransferPercentPrefix, i, count_);
      if (!SendDataRecord(offset, block)) return false;
      ++i;
    }
    return misses < kMaxMisses;
  }

  // One attempt; the caller retries.
  bool SendPartitionRecord(std::size_t& offset) {
    if (file_.ByteAt(offset) != kPartitionTag) return false;
    const int length = file_.ByteAt(offset + 1);
    if (length < 0) return false;
    std::vector<std::uint8_t> record(static_cast<std::size_t>((length + 2) & 0xFF));
    if (!file_.ReadAt(offset, record) || !SendAcknowledged(record)) return false;
    offset += record.size();
    return true;
  }

  // The whole data record, tag and length included, in blocks of 1020 bytes;
  // the last block carries the rest, possibly nothing.
  bool SendDataRecord(std::size_t& offset, std::uint32_t& block) {
    if (file_.ByteAt(offset) != kDataTag) return true;  // no data record: the next partition follows
    std::array<std::uint8_t, 3> length{};
    if (!file_.ReadAt(offset + 1, length)) return false;
    const std::size_t end = offset + GetLe24(length, 0) + 4;
    int misses = 0;
    bool more = true;
    while (more && misses < kMaxMisses) {
      std::size_t n = end - offset;
      if (n < kDataBlockPayload) {
        more = false;
      } else {
        n = kDataBlockPayload;
      }
      if (SendDataBlock(offset, n, block)) {
        ++block;
        misses = 0;
      } else {
        ++misses;
        more = true;
      }
    }
    return misses < kMaxMisses;
  }

  bool SendDataBlock(std::size_t& offset, std::size_t n, std::uint32_t block) {
    std::array<std::uint8_t, kDataBlockPayload> data{};
    const auto carried = std::span(data).first(n);
    if (!file_.ReadAt(offset, carried)) return false;  // the record runs past the end of the file
    if (!SendAcknowledged(MakeDataBlock(block, carried))) return false;
    offset += n;
    observer_.AddTransferredBytes(n);
    return true;
  }

  // One result per partition; a result other than `expected` is a miss, and
  // as many misses in a row as there are partitions end the phase.
  bool WaitFlashResults(int expected, std::string_view prefix) {
    bool ok = false;
    int misses = 0;
    for (int j = 1; j <= count_;) {
      observer_.Pump();
      if (!port_.PortOpen()) return false;
      if (WaitStatusFrame(port_, observer_, options_.timing) == expected) {
        ReportPercent(observer_, prefix, j, count_);
        observer_.StepProgress(count_, 1);
        ok = true;
        misses = 0;
        ++j;
      } else if (++misses >= count_) {
        return false;
      }
    }
    return ok;
  }

  ComPort& port_;
  RunObserver& observer_;
  RecordFile file_;
  int count_;
  const DownloadOptions& options_;
};

}  // namespace

bool DownloadFile(ComPort& port, RunObserver& observer, const std::filesystem::path& file, int partitionCount,
                  const DownloadOptions& options) {
  return DownloadRun(port, observer, file, partitionCount, options).Run();
}

}  // namespace tuneflash
