// The upload sequence.
#include "link/upload.h"

#include <array>
#include <system_error>

#include "dld/fixups.h"
#include "link/frame_exchange.h"
#include "link/link_frames.h"
#include "link/record_file.h"
#include "link/report.h"
#include "link/upgrade_status.h"

namespace tuneflash {
namespace {

class UploadRun {
 public:
  UploadRun(ComPort& port, RunObserver& observer, RecordSink& sink, std::span<const PartitionInfo> areas,
            const LinkTiming& timing)
      : port_(port),
        observer_(observer),
        file_(sink),
        areas_(areas),
        count_(static_cast<int>(areas_.size())),
        phases_(observer, count_),
        timing_(timing) {}

  // Steps 1 to 5; the caller stamps and renames.
  LinkStatus Run() {
    observer_.SetRunControlsEnabled(false);
    ReportStatus(observer_, kConnectSuccess);
    if (!file_.IsOpen()) observer_.AddLogLine(file_.error());
    const auto requested = SendStatusFrame(port_, kUploadRequest);
    phases_.Started(LinkPhase::Verify);
    auto header = requested ? ReceiveHeaderRecord() : requested;
    if (!header) {
      phases_.Ended(false);
      SendStatusFrame(port_, kVerifyFailed);
      file_.Close();
      return Where(header.error());
    }
    phases_.Ended(true);
    if (auto verdict = SendStatusFrame(port_, kVerifySuccess); !verdict) {
      phases_.Started(LinkPhase::Transfer);
      phases_.Ended(false);
      return Where(verdict.error());
    }
    at_.phase = LinkPhase::Transfer;
    phases_.Started(LinkPhase::Transfer);
    const auto received = ReceivePartitions();
    if (writeFailed_) observer_.AddLogLine(file_.error());
    phases_.Ended(received.has_value());
    file_.Close();
    return received ? received : Where(received.error());
  }

 private:
  LinkFailure Where(LinkFailure failure) const { return at_.Stamp(std::move(failure), port_.DeviceName()); }

  LinkFailure Failure(FailureCause cause, std::string detail = {}) const {
    LinkFailure f;
    f.cause = cause;
    f.detail = std::move(detail);
    return f;
  }

  LinkStatus Reply(std::uint8_t byte) { return byte == kAck ? SendAck(port_) : SendNak(port_); }

  LinkStatus ReceiveHeaderRecord() {
    for (int attempt = 0; attempt < kMaxMisses; ++attempt) {
      std::array<std::uint8_t, kHeaderRecordSize> record{};
      const auto got = PollForFrame(port_, observer_, record, kHeaderTag, timing_.recordPolls,
                                    timing_.pollPeriod, timing_);
      if (!got) return got.error();
      if (!*got) {
        if (auto s = SendNak(port_); !s) return s;
        continue;
      }
      if (auto s = SendAck(port_); !s) return s;
      // A header whose check value is wrong ends the step, ACK or not.
      const auto fixed = FixReceivedHeader(record, static_cast<std::uint8_t>(count_));
      if (!fixed) return Failure(FailureCause::BadRecord, "the box's header record");
      if (!file_.WriteAt(0, *fixed)) return Failure(FailureCause::FileError, file_.error());
      return LinkOk();
    }
    return Failure(FailureCause::NoReply, "no header record after " + std::to_string(kMaxMisses) + " NAKs");
  }

  LinkStatus ReceivePartitions() {
    const UploadRequestFrame request = MakeUploadRequestFrame(areas_);
    if (auto s = SendAcknowledged(port_, observer_, request, timing_, at_.lastReply); !s) return s;
    std::size_t offset = kFirstPartitionRecordOffset;
    int misses = 0;
    for (int i = 1; i <= count_;) {
      at_.partition = i;
      at_.block = 0;
      observer_.Pump();
      if (!port_.PortOpen()) return Failure(FailureCause::PortClosed);
      std::size_t remaining = 0;
      auto record = ReceivePartitionRecord(offset, remaining);
      if (!record) return record.error();
      if (!*record) {
        if (auto s = Refuse("Get Partition: Send NAK", misses); !s) return s;
        continue;  // the same partition is awaited again
      }
      if (auto s = SendAck(port_); !s) return s;
      misses = 0;
      std::size_t dataOffset = offset + kPartitionRecordSize;
      offset = dataOffset + remaining;
      phases_.PartitionDone(i);
      while (remaining > 0) {
        ++at_.block;
        observer_.Pump();
        const std::size_t n = std::min(remaining, kDataBlockPayload);
        auto block = ReceiveDataBlock(n, dataOffset);
        if (!block) return block.error();
        if (*block) {
          remaining -= n;
          if (auto s = SendAck(port_); !s) return s;
          misses = 0;
        } else {
          --at_.block;
          if (auto s = Refuse("Get Data: Send NAK", misses); !s) return s;
        }
      }
      ++i;
    }
    return LinkOk();
  }

  // Refuses what came (or did not come); fails once that has happened
  // kMaxMisses times in a row.
  LinkStatus Refuse(std::string_view line, int& misses) {
    if (auto s = SendNak(port_); !s) return s;
    observer_.AddLogLine(line);
    if (++misses < kMaxMisses) return LinkOk();
    return Failure(FailureCause::NakLimit, std::string(line) + " " + std::to_string(misses) + " times");
  }

  // True when the record arrived and holds; `dataLength` is then R, the
  // length of the data record that follows. False to refuse it.
  LinkResult<bool> ReceivePartitionRecord(std::size_t offset, std::size_t& dataLength) {
    std::array<std::uint8_t, kPartitionRecordSize> record{};
    const auto got = PollForFrame(port_, observer_, record, kPartitionTag, timing_.recordPolls,
                                  timing_.pollPeriod, timing_);
    if (!got || !*got) return got;
    const auto fixed = FixReceivedPartitionRecord(record);
    if (!fixed) return false;
    dataLength = GetLe24(*fixed, 14) + kDataRecordOverhead;
    if (auto s = Store(offset, *fixed); !s) return s.error();
    return true;
  }

  LinkResult<bool> ReceiveDataBlock(std::size_t n, std::size_t& offset) {
    DataBlock block;
    block.fill(0xFF);
    const auto got =
        PollForFrame(port_, observer_, block, std::nullopt, timing_.blockPolls, timing_.pollPeriod, timing_);
    if (!got) return got;
    if (!*got || !IsValidDataBlock(block)) return false;
    if (auto s = Store(offset, DataBlockPayload(block).first(n)); !s) return s.error();
    offset += n;
    phases_.BytesDone(n);
    return true;
  }

  LinkStatus Store(std::size_t offset, ByteSpan data) {
    if (file_.WriteAt(offset, data)) return LinkOk();
    writeFailed_ = true;
    return Failure(FailureCause::FileError, file_.error());
  }

  ComPort& port_;
  RunObserver& observer_;
  RecordSink& file_;
  std::span<const PartitionInfo> areas_;
  int count_;
  PhaseReporter phases_;
  const LinkTiming& timing_;
  bool writeFailed_ = false;
  LinkPosition at_;
};

}  // namespace

LinkStatus ReceiveUpload(ComPort& port, RunObserver& observer, RecordSink& sink,
                         std::span<const PartitionInfo> areas, const LinkTiming& timing) {
  return UploadRun(port, observer, sink, areas, timing).Run();
}

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

LinkStatus UploadFile(ComPort& port, RunObserver& observer, DownloadHeaderState& header,
                      const std::filesystem::path& target, PartitionSet set, const LinkTiming& timing) {
  const auto partial = PartialUploadPath(target);
  RecordFile file(partial, RecordFile::Mode::Create);
  LinkStatus result = ReceiveUpload(port, observer, file, PartitionsOf(set), timing);
  file.Close();
  const auto fileFailure = [&](std::string detail) {
    LinkFailure f;
    f.cause = FailureCause::FileError;
    f.phase = LinkPhase::Transfer;
    f.device = port.DeviceName();
    f.detail = std::move(detail);
    return f;
  };
  if (result) {
    DownloadHeaderState stamped;
    stamped.LoadDownloadHeader(partial);
    std::error_code ec;
    if (stamped.StampTotalSize(partial) != HeaderWrite::Written) {
      observer.AddLogLine("cannot stamp the size into '" + partial.string() + "'");
      result = fileFailure("cannot stamp the size into '" + partial.string() + "'");
    } else if (std::filesystem::rename(partial, target, ec); ec) {
      const std::string line =
          "cannot rename '" + partial.string() + "' to '" + target.string() + "': " + ec.message();
      observer.AddLogLine(line);
      result = fileFailure(line);
    }
  }
  header.LoadDownloadHeader(result ? target : partial);
  return result;
}

}  // namespace tuneflash
