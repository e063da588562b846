// The upload sequence.
#include "link/upload.h"

#include <array>

#include "dld/data_record_check.h"
#include "dld/file_io.h"
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

  // What a wait for one of the box's frames brought.
  enum class Arrival { Good, Missing, Bad };

  // Steps 1 to 5; the caller stamps and renames.
  LinkStatus Run() {
    observer_.SetRunControlsEnabled(false);
    ReportStatus(observer_, kConnectSuccess);
    if (!file_.IsOpen()) observer_.AddLogLine(file_.error());
    const auto requested = SendStatusFrame(port_, kUploadRequest);
    phases_.Started(LinkPhase::Verify);
    MarkProgress(timing_);
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
        if (attempt + 1 < kMaxMisses)
          observer_.OnEvent(Retrying{FailureCause::NoReply, attempt + 1, kMaxMisses});
        continue;
      }
      if (auto s = SendAck(port_); !s) return s;
      MarkProgress(timing_);
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
    MarkProgress(timing_);
    std::size_t offset = kFirstPartitionRecordOffset;
    Misses misses;
    for (int i = 1; i <= count_;) {
      at_.partition = i;
      at_.block = 0;
      observer_.Pump();
      if (!port_.PortOpen()) return Failure(FailureCause::PortClosed);
      std::size_t remaining = 0;
      auto record = ReceivePartitionRecord(offset, remaining);
      if (!record) return misses.Late(record.error());
      if (*record != Arrival::Good) {
        if (auto s = Refuse("Get Partition: Send NAK", *record, misses); !s) return s;
        continue;  // the same partition is awaited again
      }
      if (auto s = SendAck(port_); !s) return s;
      MarkProgress(timing_);
      misses = {};
      std::size_t dataOffset = offset + kPartitionRecordSize;
      offset = dataOffset + remaining;
      phases_.PartitionDone(i);
      dataRecord_.clear();
      dataRecord_.reserve(remaining);
      while (remaining > 0) {
        at_.block = static_cast<std::uint32_t>(dataRecord_.size() / kDataBlockPayload) + 1;
        observer_.Pump();
        const std::size_t n = std::min(remaining, kDataBlockPayload);
        auto block = ReceiveDataBlock(n, dataOffset);
        if (!block) return misses.Late(block.error());
        if (*block == Arrival::Good) {
          remaining -= n;
          if (auto s = SendAck(port_); !s) return s;
          MarkProgress(timing_);
          misses = {};
        } else if (auto s = Refuse("Get Data: Send NAK", *block, misses); !s) {
          return s;
        }
      }
      at_.block = 0;
      if (auto held = CheckReceivedData(); !held) return held;
      ++i;
    }
    return LinkOk();
  }

  // The refusals of the PC in a row, apart by what they refused.
  struct Misses {
    int missing = 0;  // nothing came
    int bad = 0;      // a frame came that does not hold

    int count() const { return missing + bad; }
    std::string Describe() const {
      return std::to_string(count()) + " NAKs in a row: " + std::to_string(bad) + " for a bad frame, " +
             std::to_string(missing) + " for none";
    }
    // The time limit ran out during the misses: no progress when the box sent
    // frames the PC refused, silence otherwise.
    LinkFailure Late(LinkFailure failure) const {
      return NoProgressIfNotSilent(failure, bad > 0, Describe());
    }
  };

  // Refuses what came (or did not come); fails once that has happened
  // kMaxMisses times in a row: the box was silent, or the PC refused what it
  // sent.
  LinkStatus Refuse(std::string_view line, Arrival arrival, Misses& misses) {
    if (auto s = SendNak(port_); !s) return s;
    observer_.AddLogLine(line);
    (arrival == Arrival::Bad ? misses.bad : misses.missing)++;
    const FailureCause cause = misses.bad > 0 ? FailureCause::PcRefused : FailureCause::NoReply;
    if (misses.count() >= kMaxMisses) return Failure(cause, misses.Describe());
    if (misses.bad > 0) {
      if (auto late = CheckProgress(timing_, port_, misses.Describe())) return *late;
    }
    observer_.OnEvent(Retrying{cause, misses.count(), kMaxMisses});
    return LinkOk();
  }

  // The data record of the partition just received, checked as a download
  // file's record is: a record that does not hold fails the upload here.
  LinkStatus CheckReceivedData() {
    const DataRecordCheck check = CheckDataRecord(dataRecord_, partition_);
    if (check == DataRecordCheck::Holds) return LinkOk();
    return Failure(FailureCause::BadRecord, "the box's data record of partition " +
                                                std::to_string(at_.partition) + ": " +
                                                std::string(DataRecordCheckText(check)));
  }

  // Good when the record arrived and holds; `dataLength` is then R, the
  // length of the data record that follows.
  LinkResult<Arrival> ReceivePartitionRecord(std::size_t offset, std::size_t& dataLength) {
    std::array<std::uint8_t, kPartitionRecordSize> record{};
    const auto got = PollForFrame(port_, observer_, record, kPartitionTag, timing_.recordPolls,
                                  timing_.pollPeriod, timing_);
    if (!got) return got.error();
    if (!*got) return Arrival::Missing;
    const auto fixed = FixReceivedPartitionRecord(record);
    if (!fixed) return Arrival::Bad;
    dataLength = GetLe24(*fixed, 14) + kDataRecordOverhead;
    partition_ = FILE_DOWNLOAD_PARTITION_T::FromBytes(*fixed);
    if (auto s = Store(offset, *fixed); !s) return s.error();
    return Arrival::Good;
  }

  LinkResult<Arrival> ReceiveDataBlock(std::size_t n, std::size_t& offset) {
    DataBlock block;
    block.fill(0xFF);
    const auto got =
        PollForFrame(port_, observer_, block, std::nullopt, timing_.blockPolls, timing_.pollPeriod, timing_);
    if (!got) return got.error();
    if (!*got) return Arrival::Missing;
    if (!IsValidDataBlock(block)) return Arrival::Bad;
    const ByteSpan data = DataBlockPayload(block).first(n);
    if (auto s = Store(offset, data); !s) return s.error();
    dataRecord_.insert(dataRecord_.end(), data.begin(), data.end());
    offset += n;
    phases_.BytesDone(n);
    return Arrival::Good;
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
  LinkTiming timing_;  // with the progress deadline of --timeout
  bool writeFailed_ = false;
  FILE_DOWNLOAD_PARTITION_T partition_;  // the partition record being received
  Bytes dataRecord_;                     // its data record as it arrives
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
    if (stamped.StampTotalSize(partial) != HeaderWrite::Written) {
      observer.AddLogLine("cannot stamp the size into '" + partial.string() + "'");
      result = fileFailure("cannot stamp the size into '" + partial.string() + "'");
    } else {
      try {
        CommitFile(partial, target);
      } catch (const FileError& e) {
        observer.AddLogLine(e.what());
        result = fileFailure(e.what());
      }
    }
  }
  header.LoadDownloadHeader(result ? target : partial);
  return result;
}

}  // namespace tuneflash
