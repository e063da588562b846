// The simulated box: hello, then a download or an upload session, then hello
// again.
#include "boxsim/box_sim.h"

#include <sys/prctl.h>

#include <cstdio>
#include <iostream>

#include "boxsim/box_session.h"
#include "dld/builder.h"
#include "link/upgrade_status.h"

namespace tuneflash::boxsim {
namespace {

// Who the box says it is until a download gives it another header.
std::array<std::uint8_t, kHeaderRecordSize> DefaultIdentity() {
  FILE_DOWNLOAD_HEADER_T header;
  SetFieldText(header.acManufacture, "TUNEFLASH-SIM");
  SetFieldText(header.acHardwareModule, "SIMBOX");
  SetFieldText(header.acHardwareVersion, "1.0");
  SetFieldText(header.acSoftwareModule, "BOXSIM");
  SetFieldText(header.acSoftwareVersion, "3.0");
  header.ucPartitionType = kTypeCodeOther;
  return SealHeader(header);
}

}  // namespace

BoxSim::BoxSim(BoxSimOptions options)
    : options_(std::move(options)), line_(options_.line), identity_(DefaultIdentity()) {
  std::error_code ec;
  if (!options_.flashFile.empty() && std::filesystem::exists(options_.flashFile, ec)) {
    flash_.Load(options_.flashFile);
  }
}

BoxSim::~BoxSim() {
  Stop();
}

void BoxSim::Start() {
  thread_ = std::thread([this] { Run(); });
}

void BoxSim::Stop() {
  if (!thread_.joinable()) return;
  line_.RequestStop();
  thread_.join();
}

void BoxSim::Run() {
  // Paced, the box sleeps to character deadlines; the default timer slack of
  // 50 us per sleep would stretch every block.
  if (options_.line.wireRate > 0) ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
  try {
    Serve();
  } catch (const StopRequested&) {
  } catch (const HungUp&) {
  }
}

void BoxSim::NoteReceived(const Frame& frame) {
  std::string text;
  const Bytes& b = frame.bytes;
  char hex[8];
  switch (frame.kind) {
    case FrameKind::Reply:
      text = b[0] == kAck ? "ack" : "nak";
      break;
    case FrameKind::Status:
      std::snprintf(hex, sizeof hex, "%02X%02X", b[1], b[2]);
      text = std::string("status ") + hex;
      break;
    case FrameKind::Header:
      text = "header";
      break;
    case FrameKind::Partition:
      text = "partition";
      break;
    case FrameKind::DataBlock:
      text = "block " + std::to_string(b[1]);
      break;
    case FrameKind::UploadRequest:
      text = "request";
      break;
  }
  std::lock_guard lock(mutex_);
  record_.received.push_back(std::move(text));
}

void BoxSim::NoteViolation(const std::string& what) {
  line_.TraceViolation(what);
  std::lock_guard lock(mutex_);
  record_.protocolErrors.push_back(what);
}

void BoxSim::Serve() {
  const StatusFrame hello = *MakeStatusFrame(kConnecting);
  bool withdraw = false;
  for (;;) {
    // After a session the PC reads the last result before the hello goes.
    if (withdraw) line_.Withdraw();
    withdraw = false;
    line_.Send(hello, options_.sessionTimeout);
    {
      std::lock_guard lock(mutex_);
      ++record_.hellos;
    }
    const auto saidAt = Clock::now();
    for (;;) {
      const auto frame =
          line_.ReadFrame({FrameKind::Status, FrameKind::Header}, std::chrono::milliseconds(50));
      if (frame) NoteReceived(*frame);
      BoxSession session(*this);
      if (frame && frame->kind == FrameKind::Header) {
        // The box starts a download only after its request: a header on
        // its own is refused without an answer.
        NoteViolation("a header without the download request before it");
        continue;
      }
      const int status = frame ? StatusOfReceivedFrame(frame->bytes) : -1;
      if (status == kDownloadRequest) {
        session.Download();
        break;
      }
      if (status == kUploadRequest) {
        session.Upload();
        break;
      }
      // Unread: nobody listens yet. Read (or purged by an opening port) but
      // not followed by a request: say it again for whoever comes next.
      const auto since = Clock::now() - saidAt;
      const bool unread = line_.PcQueued() > 0;
      if ((unread && since >= options_.reannounce) || (!unread && since >= options_.idleHello)) {
        withdraw = true;
        break;
      }
    }
  }
}

BoxRecord BoxSim::Record() const {
  std::lock_guard lock(mutex_);
  return record_;
}

FlashModel BoxSim::Flash() const {
  std::lock_guard lock(mutex_);
  return flash_;
}

std::array<std::uint8_t, kHeaderRecordSize> BoxSim::Identity() const {
  std::lock_guard lock(mutex_);
  return identity_;
}

std::string BoxSim::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

}  // namespace tuneflash::boxsim
