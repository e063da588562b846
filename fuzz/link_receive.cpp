// Fuzz target: the link's receiving side. A scripted port plays the box (its
// hello, then whatever the input has arrive at each wait of the PC) through
// the Start loop of a download or an upload. Every run ends within a bound of
// the input's length, a failed run carries its reason, the PC never writes or
// reads a frame the port refuses, a download sends exactly its file's frames
// in order, and an upload leaves a complete file or none.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "dld/download_header.h"
#include "dld/file_io.h"
#include "link/download.h"
#include "link/link_frames.h"
#include "link/start_loop.h"
#include "link/upgrade_status.h"
#include "link/upload.h"
#include "link_script.h"
#include "support/scripted_com_port.h"

namespace {

using namespace tuneflash;
using namespace tuneflash::fuzzing;
namespace fs = std::filesystem;
using tuneflash::testing::ScriptedComPort;
using tuneflash::testing::ScriptStep;

const std::string kDevice = "fuzz-port";

void Require(bool property) {
  if (!property) std::abort();
}

// The frames one download pass owes the box for `file` and `count`: the
// request, the header, then per partition its record and its blocks.
std::vector<Bytes> ExpectedDownloadFrames(const Bytes& file, int count) {
  std::vector<Bytes> frames;
  const auto request = *MakeStatusFrame(kDownloadRequest);
  frames.emplace_back(request.begin(), request.end());
  frames.emplace_back(file.begin(), file.begin() + kHeaderRecordSize);
  std::size_t offset = kFirstPartitionRecordOffset;
  std::uint32_t number = 1;
  for (int i = 0; i < count && i < file[kHeaderPartitionCountOffset]; ++i) {
    frames.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(offset),
                        file.begin() + static_cast<std::ptrdiff_t>(offset + kPartitionRecordSize));
    offset += kPartitionRecordSize;
    for (const std::size_t n : DownloadBlockLengths(GetLe24(file, offset + 1) + 4u)) {
      const auto block = MakeDataBlock(number++, ByteSpan(file).subspan(offset, n));
      frames.emplace_back(block.begin(), block.end());
      offset += n;
    }
  }
  return frames;
}

// The files, made once in a directory of their own (in memory where the
// system offers it), and the upload's target there.
class Workspace {
 public:
  Workspace() {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "tuneflash-fuzz-link-XXXXXX").string();
    Require(::mkdtemp(pattern.data()) != nullptr);
    dir_ = pattern;
    for (int i = 0; i < 2; ++i) {
      files_[i] = LinkFuzzDownloadFile(i);
      paths_[i] = dir_ / ("download" + std::to_string(i) + ".dld");
      WriteFileAtomically(paths_[i], files_[i]);
      for (int choice = 0; choice < 4; ++choice)
        expected_[i][choice] = ExpectedDownloadFrames(files_[i], CountFor(i, choice));
    }
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  int CountFor(int file, int choice) const {
    return LinkFuzzPartitionCount(choice, files_[file][kHeaderPartitionCountOffset]);
  }
  const fs::path& DownloadPath(int file) const { return paths_[file]; }
  const std::vector<Bytes>& Expected(int file, int choice) const { return expected_[file][choice]; }
  fs::path UploadTarget() const { return dir_ / "upload.dld"; }

 private:
  fs::path dir_;
  Bytes files_[2];
  fs::path paths_[2];
  std::vector<Bytes> expected_[2][4];
};

class QuietObserver : public RunObserver {
 public:
  void SetRunControlsEnabled(bool) override {}
  void Pump() override {}
  int failures = 0;

 protected:
  void OnFailed(const Failed& failed) override {
    ++failures;
    Require(!failed.reason.empty());
  }
};

// Reads the steps of the input when they are due: most runs end long
// before their input does.
class StepReader {
 public:
  explicit StepReader(ByteSpan steps) : steps_(steps) {}

  ScriptStep operator()() {
    using Kind = ScriptStep::Kind;
    if (at_ == steps_.size()) return {};
    const std::uint8_t head = steps_[at_++];
    if (head == kCloseStep) return {Kind::Close, {}};
    if (head == kGoAwayStep) return {Kind::GoAway, {}};
    std::size_t length = head;
    if (head == kLongStep) {
      length = at_ < steps_.size() ? steps_[at_++] : 0;
      length |= (at_ < steps_.size() ? std::size_t{steps_[at_++]} : 0) << 8;
    }
    length = std::min(length, steps_.size() - at_);
    const ByteSpan bytes = steps_.subspan(at_, length);
    at_ += length;
    return {Kind::Arrive, bytes};
  }

 private:
  ByteSpan steps_;
  std::size_t at_ = 0;
};

// The PC's writes with the resends of a frame folded into one.
std::vector<Bytes> Folded(const std::vector<Bytes>& written) {
  std::vector<Bytes> folded;
  for (const Bytes& frame : written) {
    if (folded.empty() || folded.back() != frame) folded.push_back(frame);
  }
  return folded;
}

// Each successful pass sent the whole frame list, the last failed one a
// beginning of it.
void CheckDownloadFrames(const ScriptedComPort& port, const StartLoopResult& result,
                         const std::vector<Bytes>& expected) {
  const std::vector<Bytes> folded = Folded(port.Written());
  std::size_t at = 0;
  for (int pass = 0; pass < result.boxesSucceeded; ++pass) {
    for (const Bytes& frame : expected) Require(at < folded.size() && folded[at++] == frame);
  }
  for (std::size_t i = 0; at < folded.size(); ++i)
    Require(i < expected.size() && folded[at++] == expected[i]);
}

// A complete upload holds its header with the set's count and its own size;
// a failed one leaves no target.
void CheckUploadTarget(const fs::path& target, const StartLoopResult& result, PartitionSet set) {
  std::error_code ec;
  if (!result.lastSucceeded) {
    Require(!fs::exists(target, ec));
    return;
  }
  const auto size = fs::file_size(target, ec);
  Require(!ec);
  DownloadHeaderState header;
  Require(header.LoadDownloadHeader(target));
  Require(header.header().iTotalSize == size);
  Require(header.header().ucPartitionCount == PartitionsOf(set).size());
}

void CheckUploadFrames(const ScriptedComPort& port, PartitionSet set) {
  const auto request = MakeUploadRequestFrame(PartitionsOf(set));
  for (const Bytes& frame : port.Written()) {
    const bool reply = frame.size() == 1 && (frame[0] == kAck || frame[0] == kNak);
    const bool status = frame.size() == kStatusFrameSize && frame[0] == kFrameStart;
    const bool requested =
        frame.size() == request.size() && std::equal(frame.begin(), frame.end(), request.begin());
    Require(reply || status || requested);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Workspace workspace;
  if (size == 0) return 0;
  const LinkRunChoice choice = LinkRunChoice::Decode(data[0]);
  ScriptedComPort port;
  port.OpenComPort(kDevice);
  port.SetStepSource(StepReader(ByteSpan(data + 1, size - 1)));

  StartLoopOptions options;
  options.timing.replyPolls = choice.polls;
  options.timing.recordPolls = choice.polls;
  options.timing.blockPolls = choice.polls;
  options.pauseAfterSuccess = [] {};
  QuietObserver observer;
  DownloadHeaderState header;
  const fs::path target = workspace.UploadTarget();
  std::function<LinkStatus()> sequence;
  if (choice.upload) {
    std::error_code ec;
    fs::remove(target, ec);
    fs::remove(PartialUploadPath(target), ec);
    sequence = [&] { return UploadFile(port, observer, header, target, choice.Set(), options.timing); };
  } else {
    options.nextBoxAfterSuccess = choice.nextBox;
    DownloadOptions download;
    download.showConnectSuccess = !choice.hideConnectSuccess;
    download.timing = options.timing;
    sequence = [&, download] {
      return DownloadFile(port, observer, workspace.DownloadPath(choice.file),
                          workspace.CountFor(choice.file, choice.countChoice), download);
    };
  }
  const StartLoopResult result = RunStartLoop(port, observer, sequence, options);

  // Every primitive call is paid for by the input: a step taken or bytes read.
  Require(port.Operations() <= 16 * static_cast<long>(size) + 64);
  Require(port.LargestWrite() <= kMaxComFrame && port.LargestRead() <= kMaxComFrame);
  Require(result.lastSucceeded != result.failure.has_value());
  Require(observer.failures == (result.lastSucceeded ? 0 : 1));
  if (result.failure) Require(result.failure->device == kDevice);
  if (choice.upload) {
    CheckUploadFrames(port, choice.Set());
    CheckUploadTarget(target, result, choice.Set());
  } else {
    CheckDownloadFrames(port, result, workspace.Expected(choice.file, choice.countChoice));
  }
  return 0;
}
