// The upload sequence.
#include "link/upload.h"

#include <array>
#include <system_error>

#include "dld/fixups.h"
#include "link/link_frames.h"
#include "link/record_file.h"
#include "link/report.h"
#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

constexpr int kMaxAttempts = 10;

class UploadRun {
 public:
  UploadRun(ComPort& port, RunObserver& observer, const std::filesystem::path& partial, PartitionSet set,
            const LinkTiming& timing)
      : port_(port),
        observer_(observer),
        file_(partial, RecordFile::Mode::Create),
        areas_(PartitionsOf(set)),
        count_(static_cast<int>(areas_.size())),
        timing_(timing) {}

  // Steps 1 to 5; the caller closes, stamps and renames.
  bool Run() {
    observer_.SetRunControlsEnabled(false);
    ReportStatus(observer_, kConnectSuccess);
    if (!file_.IsOpen()) observer_.AddLogLine(file_.error());
    SendStatusFrame(port_, kUploadRequest);
    ReportStatus(observer_, kVerifying);
    if (!ReceiveHeaderRecord()) {
      ReportStatus(observer_, kVerifyFailed);
      SendStatusFrame(port_, kVerifyFailed);
      file_.Close();
      return false;
    }
    ReportStatus(observer_, kVerifySuccess);
    SendStatusFrame(port_, kVerifySuccess);
    ReportStatus(observer_, kTransferring);
    const bool ok = ReceivePartitions();
    if (writeFailed_) observer_.AddLogLine(file_.error());
    ReportStatus(observer_, ok ? kTransferSuccess : kTransferFailed);
    file_.Close();
    return ok;
  }

 private:
  bool ReceiveHeaderRecord() {
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
      if (!port_.PortOpen()) return false;
      std::array<std::uint8_t, kHeaderRecordSize> record{};
      const PollResult got =
          PollForFrame(port_, observer_, record, kHeaderTag, timing_.recordPolls, timing_.pollPeriod);
      if (got == PollResult::Closed) return false;
      if (got == PollResult::Missed) {
        SendNak(port_);
        continue;
      }
      SendAck(port_);
      // A header whose check value is wrong ends the step, ACK or not.
      const auto fixed = FixReceivedHeader(record, static_cast<std::uint8_t>(count_));
      return fixed && file_.WriteAt(0, *fixed);
    }
    return false;
  }

  bool RequestUpload() {
    const UploadRequestFrame frame = MakeUploadRequestFrame(areas_);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
      if (port_.WriteComPort(frame) != static_cast<int>(frame.size())) return false;
      if (WaitReply(port_, observer_, timing_.replyPolls, timing_) == kAck) return true;
    }
    return false;
  }

  bool ReceivePartitions() {
    if (!RequestUpload()) return false;
    std::size_t offset = kFirstPartitionRecordOffset;
    int misses = 0;
    for (int i = 1; i <= count_ && misses < kMaxAttempts; ++i) {
      observer_.Pump();
      if (!port_.PortOpen()) return false;
      std::size_t remaining = 0;
      if (!ReceivePartitionRecord(offset, remaining)) {
        if (writeFailed_) return false;
        Refuse("Get Partition: Send NAK", misses);
        --i;  // the same partition is awaited again
        continue;
      }
      SendAck(port_);
      misses = 0;
      std::size_t dataOffset = offset + kPartitionRecordSize;
      offset = dataOffset + remaining;
      observer_.StepProgress(count_, 1);
      ReportPercent(observer_, kTransferPercentPrefix, i, count_);
      while (remaining > 0 && misses < kMaxAttempts) {
        observer_.Pump();
        if (!port_.PortOpen()) return false;
        const std::size_t n = std::min(remaining, kDataBlockPayload);
        if (ReceiveDataBlock(n, dataOffset)) {
          remaining -= n;
          SendAck(port_);
          misses = 0;
        } else if (writeFailed_) {
          return false;
        } else {
          Refuse("Get Data: Send NAK", misses);
        }
      }
    }
    return misses < kMaxAttempts;
  }

  void Refuse(std::string_view line, int& misses) {
    SendNak(port_);
    observer_.AddLogLine(line);
    ++misses;
  }

  // On success `dataLength` is R, the length of the data record that follows.
  bool ReceivePartitionRecord(std::size_t offset, std::size_t& dataLength) {
    std::array<std::uint8_t, kPartitionRecordSize> record{};
    if (PollForFrame(port_, observer_, record, kPartitionTag, timing_.recordPolls, timing_.pollPeriod) !=
        PollResult::Read) {
      return false;
    }
    const auto fixed = FixReceivedPartitionRecord(record);
    if (!fixed) return false;
    dataLength = GetLe24(*fixed, 14) + kDataRecordOverhead;
    return Store(offset, *fixed);
  }

  bool ReceiveDataBlock(std::size_t n, std::size_t& offset) {
    DataBlock block;
    block.fill(0xFF);
    if (PollForFrame(port_, observer_, block, std::nullopt, timing_.blockPolls, timing_.pollPeriod) !=
            PollResult::Read ||
        !IsValidDataBlock(block)) {
      return false;
    }
    if (!Store(offset, DataBlockPayload(block).first(n))) return false;
    offset += n;
    observer_.AddTransferredBytes(n);
    return true;
  }

  bool Store(std::size_t offset, ByteSpan data) {
    if (file_.WriteAt(offset, data)) return true;
    writeFailed_ = true;
    return false;
  }

  ComPort& port_;
  RunObserver& observer_;
  RecordFile file_;
  std::span<const PartitionInfo> areas_;
  int count_;
  const LinkTiming& timing_;
  bool writeFailed_ = false;
};

}  // namespace

std::optional<PartitionSet> UploadSetForModeIndex(int modeIndex) {
  switch (modeIndex) {
    case 1:
      return PartitionSet::Data;
    case 2:
      return PartitionSet::Default;
    case 3:
      return PartitionSet::Key;
    case 4:
      return PartitionSet::Loader;
    case 5:
      return PartitionSet::App;
    case 6:
      return PartitionSet::All;
    case 7:
      return PartitionSet::Data;
    default:
      return std::nullopt;
  }
}

int PartitionCountForModeIndex(int modeIndex) {
  const auto set = UploadSetForModeIndex(modeIndex);
  return set ? static_cast<int>(PartitionsOf(*set).size()) : 0;
}

std::filesystem::path PartialUploadPath(const std::filesystem::path& target) {
  auto partial = target;
  partial += ".part";
  return partial;
}

bool UploadFile(ComPort& port, RunObserver& observer, DownloadHeaderState& header,
                const std::filesystem::path& target, PartitionSet set, const LinkTiming& timing) {
  const auto partial = PartialUploadPath(target);
  bool ok = UploadRun(port, observer, partial, set, timing).Run();
  if (ok) {
    DownloadHeaderState stamped;
    stamped.LoadDownloadHeader(partial);
    std::error_code ec;
    if (stamped.StampTotalSize(partial) != HeaderWrite::Written) {
      observer.AddLogLine("cannot stamp the size into '" + partial.string() + "'");
      ok = false;
    } else if (std::filesystem::rename(partial, target, ec); ec) {
      observer.AddLogLine("cannot rename '" + partial.string() + "' to '" + target.string() +
                          "': " + ec.message());
      ok = false;
    }
  }
  header.LoadDownloadHeader(ok ? target : partial);
  return ok;
}

}  // namespace tuneflash
