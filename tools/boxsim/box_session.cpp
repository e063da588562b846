// The box's side of a download and of an upload.
#include "boxsim/box_session.h"

#include <algorithm>
#include <array>

#include "dld/crc32.h"
#include "dld/lzo_codec.h"
#include "link/upgrade_status.h"

namespace tuneflash::boxsim {
namespace {

constexpr std::uint8_t kStrayByte = 0x41;
// Largest data record the box takes: more than any compressed partition needs.
constexpr std::size_t kMaxDataRecord = 4 * 1024 * 1024;

bool HeaderChecks(ByteSpan header) {
  return GetLe32(header, kHeaderCrcOffset) ==
         CalcCrc32(header.subspan(kHeaderPayloadOffset, kHeaderPayloadSize));
}

}  // namespace

struct BoxSession::Partition {
  FILE_DOWNLOAD_PARTITION_T record;
  Bytes data;             // the data record as reassembled
  std::size_t total = 0;  // its length once the first block told it
  Bytes raw;              // the checked image
  bool ok = false;
};

std::optional<Frame> BoxSession::Read(std::initializer_list<FrameKind> kinds) {
  auto frame = line_.ReadFrame(kinds, box_.options_.sessionTimeout);
  if (frame) box_.NoteReceived(*frame);
  return frame;
}

bool BoxSession::Send(ByteSpan frame) {
  return line_.Send(frame, box_.options_.sessionTimeout);
}

bool BoxSession::SendStatus(int status) {
  return Send(*MakeStatusFrame(status));
}

bool BoxSession::Reply(std::uint8_t byte) {
  if (++replies_ == faults_.strayBeforeReply) {
    const std::array<std::uint8_t, 1> stray{kStrayByte};
    if (!Send(stray)) return false;
  }
  const std::array<std::uint8_t, 1> reply{byte};
  if (!Send(reply)) return false;
  line_.MarkReplySent();
  if (byte == kNak) {
    std::lock_guard lock(box_.mutex_);
    ++box_.record_.naksSent;
  }
  return true;
}

// Ignores everything until the PC has given up and stayed quiet.
void BoxSession::StaySilent() {
  while (Read({FrameKind::Reply, FrameKind::Status})) {
  }
}

void BoxSession::Download() {
  int refused = 0;
  std::optional<Frame> header;
  for (;;) {
    header = Read({FrameKind::Header, FrameKind::Status});
    if (!header) return;
    if (header->kind != FrameKind::Header) {  // another request: still waiting for the header
      header.reset();
      continue;
    }
    std::unique_lock lock(box_.mutex_);
    ++box_.record_.headersReceived;
    const bool refuse = refused < faults_.refuseHeader;
    if (refuse) ++box_.record_.headersRefused;
    lock.unlock();
    if (!refuse) break;
    ++refused;
    if (!Reply(kNak)) return;
    header.reset();
  }
  if (!Reply(kAck)) return;
  const bool verified = HeaderChecks(header->bytes);
  if (!SendStatus(verified ? kVerifySuccess : kVerifyFailed) || !verified) return;
  {
    std::lock_guard lock(box_.mutex_);
    std::copy(header->bytes.begin(), header->bytes.end(), box_.identity_.begin());
  }
  std::vector<Partition> partitions;
  if (!ReceivePartitions(header->bytes[kHeaderPartitionCountOffset], partitions)) return;
  ReportFlashResults(partitions);
}

bool BoxSession::ReceivePartitions(int count, std::vector<Partition>& partitions) {
  std::optional<Partition> current;
  Bytes lastRecord;
  int arrivals = 0;
  int taken = 0;
  std::optional<std::uint8_t> lastNumber;
  const auto finish = [&] {
    Partition& p = *current;
    if (p.total > 0 && p.data.size() == p.total) {
      const std::size_t packedSize = p.total - kDataRecordOverhead;
      const ByteSpan packed = ByteSpan(p.data).subspan(4, packedSize);
      const auto raw = LzoDecompress(packed, p.record.uiRawSize);
      p.ok = p.data[0] == kDataTag && GetLe32(p.data, 4 + packedSize) == CalcCrc32(packed) &&
             p.record.uiPackedSize == packedSize && raw && raw->size() == p.record.uiRawSize &&
             CalcCrc32(*raw) == p.record.uiRawCrc;
      if (p.ok) p.raw = *raw;
    }
    partitions.push_back(std::move(p));
    current.reset();
  };
  while (static_cast<int>(partitions.size()) < count) {
    const auto frame = Read({FrameKind::DataBlock, FrameKind::Partition});
    if (!frame) return false;
    const Bytes& f = frame->bytes;
    if (frame->kind == FrameKind::Partition) {
      if (current && current->data.empty() && f == lastRecord) {  // our ACK was lost: the same record again
        if (!Reply(kAck)) return false;
        continue;
      }
      if (current) finish();  // that partition came without a data record
      if (static_cast<int>(partitions.size()) >= count) break;
      const auto record = FILE_DOWNLOAD_PARTITION_T::FromBytes(f);
      if (record.ComputeCrc() != record.uiCrc) {
        if (!Reply(kNak)) return false;
        continue;
      }
      if (!Reply(kAck)) return false;
      current = Partition{record, {}, 0, {}, false};
      lastRecord = f;
      continue;
    }
    if (IsValidDataBlock(f) && arrivals + 1 == faults_.hangupAfterBlock) line_.HangUp();
    if (!IsValidDataBlock(f) || ++arrivals == faults_.nakBlock) {
      if (!Reply(kNak)) return false;
      continue;
    }
    const bool resend = lastNumber && f[1] == *lastNumber && (!current || !current->data.empty());
    if (resend || !current) {  // a resend after a lost ACK is taken again; a block out of place is not
      if (!Reply(resend ? kAck : kNak)) return false;
      continue;
    }
    if (lastNumber && f[1] != static_cast<std::uint8_t>(*lastNumber + 1)) {
      line_.TraceNote("block " + std::to_string(f[1]) + " does not follow on from block " +
                      std::to_string(*lastNumber));
    }
    const ByteSpan payload = DataBlockPayload(f);
    Partition& p = *current;
    if (p.total == 0) {
      const std::size_t total = GetLe24(payload, 1) + 4u;
      if (payload[0] != kDataTag || total < kDataRecordOverhead || total > kMaxDataRecord) {
        if (!Reply(kNak)) return false;
        continue;
      }
      p.total = total;
    }
    const std::size_t carried = std::min(kDataBlockPayload, p.total - p.data.size());
    p.data.insert(p.data.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(carried));
    lastNumber = f[1];
    {
      std::lock_guard lock(box_.mutex_);
      box_.record_.blockNumbers.push_back(f[1]);
      box_.record_.blockLengths.push_back(carried);
    }
    if (!Reply(kAck)) return false;
    if (++taken == faults_.silentAfterBlock) {
      StaySilent();
      return false;
    }
    if (carried < kDataBlockPayload) finish();
  }
  if (current) finish();
  return true;
}

bool BoxSession::ReportFlashResults(const std::vector<Partition>& partitions) {
  {
    std::lock_guard lock(box_.mutex_);
    for (const auto& p : partitions) {
      if (p.ok) box_.flash_.Write(p.record.uiAddress, p.raw);
    }
    for (const double t : line_.TakeTurnarounds()) box_.record_.turnaroundUs.push_back(t);
    ++box_.record_.downloadsCompleted;
    if (!box_.options_.flashFile.empty()) {
      try {
        box_.flash_.Save(box_.options_.flashFile);
      } catch (const std::exception& e) {
        box_.lastError_ = e.what();
      }
    }
  }
  for (int i = 0; i < static_cast<int>(partitions.size()); ++i) {
    // The line goes once the PC has the results before it.
    if (i == faults_.hangupWhileErasing) {
      line_.AwaitRead(box_.options_.sessionTimeout);
      line_.HangUp();
    }
    for (int n = 0; i == faults_.eraseFailPartition && n < faults_.eraseFailTimes; ++n) {
      if (!SendStatus(kEraseFailed)) return false;
    }
    if (!SendStatus(kEraseSuccess)) return false;
  }
  for (int i = 0; i < static_cast<int>(partitions.size()); ++i) {
    const bool ok = partitions[static_cast<std::size_t>(i)].ok && i != faults_.programFailPartition;
    if (!SendStatus(ok ? kProgramSuccess : kProgramFailed)) return false;
  }
  return true;
}

bool BoxSession::SendUntilAcknowledged(ByteSpan first, ByteSpan again) {
  ByteSpan frame = first;
  for (;;) {
    if (!Send(frame)) return false;
    const auto reply = Read({FrameKind::Reply});
    if (!reply) return false;
    if (reply->bytes[0] == kAck) return true;
    std::lock_guard lock(box_.mutex_);
    ++box_.record_.naksReceived;
    frame = again;
  }
}

void BoxSession::Upload() {
  auto header = box_.Identity();
  const auto good = header;
  if (faults_.badUploadHeader) header[kHeaderCrcOffset] ^= 0xFF;
  // The PC answers the header with ACK (NAK: it goes again), then gives its
  // verdict, then sends the request. Each must arrive, in that order: a
  // request or verdict before them is a protocol error and is not answered.
  std::optional<std::vector<UploadArea>> areas;
  bool acknowledged = false;
  bool verified = false;
  int requests = 0;
  if (faults_.noUploadHeader) {
    StaySilent();
    return;
  }
  if (!Send(header)) return;
  while (!areas) {
    const auto frame = Read({FrameKind::Reply, FrameKind::Status, FrameKind::UploadRequest});
    if (!frame) return;
    if (frame->kind == FrameKind::Reply) {
      if (acknowledged) {
        box_.NoteViolation("a reply after the header was acknowledged");
      } else if (frame->bytes[0] == kAck) {
        acknowledged = true;
      } else {
        {
          std::lock_guard lock(box_.mutex_);
          ++box_.record_.naksReceived;
        }
        if (!Send(good)) return;
      }
      continue;
    }
    if (frame->kind == FrameKind::Status) {
      if (!acknowledged) {
        box_.NoteViolation("a verdict without the header's ACK before it");
        continue;
      }
      // Only the exact verdict frames: 02 03 01 03 goes on, 02 03 00 03 ends.
      const auto is = [&frame](int status) {
        const StatusFrame exact = *MakeStatusFrame(status);
        return std::equal(frame->bytes.begin(), frame->bytes.end(), exact.begin(), exact.end());
      };
      if (is(kVerifyFailed)) return;
      if (!is(kVerifySuccess)) {
        box_.NoteViolation("a status frame that is not the verdict after the header's ACK");
        continue;
      }
      verified = true;
      continue;
    }
    if (!acknowledged || !verified) {
      box_.NoteViolation("an upload request without the header's ACK and verdict before it");
      continue;
    }
    areas = ParseUploadRequestFrame(frame->bytes);
    if (areas && ++requests <= faults_.refuseUploadRequest) areas.reset();
    if (!Reply(areas ? kAck : kNak)) return;
  }
  {
    std::lock_guard lock(box_.mutex_);
    box_.record_.lastUploadRequest = *areas;
  }
  std::uint32_t number = 1;
  int sent = 0;
  int areaIndex = 0;
  for (const UploadArea& area : *areas) {
    Bytes raw;
    {
      std::lock_guard lock(box_.mutex_);
      raw = box_.flash_.Read(area.address, area.size);
    }
    const Bytes packed = LzoCompress(raw);
    FILE_DOWNLOAD_PARTITION_T record;
    record.ucAttribute = area.attribute;
    record.uiAddress = area.address;
    record.uiRawSize = area.size;
    record.uiRawCrc = CalcCrc32(raw);
    record.uiPackedSize = static_cast<std::uint32_t>(packed.size());
    record.uiPackedCrc = CalcCrc32(packed);
    record.ucBlockCount = BlockCountFor(record.uiPackedSize);
    record.uiCrc = record.ComputeCrc();
    const auto recordBytes = record.ToBytes();
    auto firstRecord = recordBytes;
    if (faults_.badUploadPartition && number == 1) firstRecord[kPartitionCrcOffset] ^= 0xFF;
    if (!SendUntilAcknowledged(firstRecord, recordBytes)) return;
    Bytes data = MakeDataRecord(packed);
    // Block sums are made from the record as sent, so they hold either way.
    if (faults_.badDataRecordPartition == areaIndex) data.back() ^= 0xFF;
    if (faults_.badDataTagPartition == areaIndex) data[0] = 0x44;
    ++areaIndex;
    for (std::size_t at = 0; at < data.size(); at += kDataBlockPayload) {
      const std::size_t n = std::min(kDataBlockPayload, data.size() - at);
      const DataBlock block = MakeDataBlock(number++, ByteSpan(data).subspan(at, n));
      DataBlock first = block;
      if (++sent == faults_.badUploadSumBlock) first[kDataBlockSumOffset] ^= 0xFF;
      if (sent == faults_.hangupAfterBlock) line_.HangUp();
      if (!SendUntilAcknowledged(first, block)) return;
      if (sent == faults_.silentAfterBlock) {
        StaySilent();
        return;
      }
    }
  }
  std::lock_guard lock(box_.mutex_);
  ++box_.record_.uploadsCompleted;
}

}  // namespace tuneflash::boxsim
