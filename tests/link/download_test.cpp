// Downloads over a real pseudo-terminal into the simulated box, with the
// real serial layer: the observer calls, the blocks the box saw, and faults.
#include "link/download.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "dld/download_header.h"
#include "link/download_plan.h"
#include "link/start_loop.h"
#include "link_fixture.h"
#include "run/phase_watch.h"
#include "runlog/box_log.h"
#include "runlog/file_facts.h"

namespace tuneflash::testing {
namespace {

struct Downloaded {
  bool ok = false;
  std::optional<LinkFailure> failure;
  RecordingObserver observer;
  boxsim::BoxRecord record;
};

Downloaded Download(const Bytes& file, const boxsim::BoxFaults& faults = {},
                    LinkTiming timing = FastTiming()) {
  TempDir dir;
  const auto path = dir / "file.dld";
  WriteBytes(path, file);
  BoxOnLine line(faults);
  Downloaded d;
  EXPECT_TRUE(line.Connect(d.observer));
  DownloadOptions options;
  options.timing = timing;
  const auto result = DownloadFile(line.port, d.observer, path, ReadPartitionCount(path), options);
  d.ok = result.has_value();
  if (!result) d.failure = result.error();
  d.record = line.box.Record();
  return d;
}

TEST(DownloadTest, BlockNumbersRunOnAcrossPartitionsAndEachRecordEndsShort) {
  const Bytes file = SetFile(PartitionSet::Data);
  const auto d = Download(file);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(8));
  EXPECT_EQ(d.record.received, DownloadFrames(file));
  EXPECT_TRUE(d.record.protocolErrors.empty());
  // The job's progress: the transfer's bytes, then erase and program by
  // partition on top of them; it never goes back and ends at its total.
  const std::uint64_t dataBytes = file.size() - kHeaderRecordSize - 8 * kPartitionRecordSize;
  const std::uint64_t jobTotal = dataBytes + 2 * (dataBytes / 4);
  std::vector<std::string> phases;
  std::uint64_t lastDone = 0;
  for (const RunEvent& e : d.observer.stream) {
    if (const auto* started = std::get_if<PhaseStarted>(&e))
      phases.push_back(std::string(PhaseText(started->phase)) + " started");
    if (const auto* ended = std::get_if<PhaseEnded>(&e))
      phases.push_back(std::string(PhaseText(ended->phase)) + " ended");
    if (const auto* p = std::get_if<JobProgress>(&e)) {
      if (p->phase != LinkPhase::Verify) {
        EXPECT_EQ(p->total, jobTotal);
      }
      EXPECT_GE(p->done, lastDone);
      lastDone = p->done;
    }
  }
  EXPECT_EQ(lastDone, jobTotal);
  EXPECT_EQ(phases,
            (std::vector<std::string>{"verify started", "verify ended", "transfer started", "transfer ended",
                                      "erase started", "erase ended", "program started", "program ended"}));
  ASSERT_FALSE(d.record.blockNumbers.empty());
  for (std::size_t i = 0; i < d.record.blockNumbers.size(); ++i) {
    EXPECT_EQ(d.record.blockNumbers[i], static_cast<std::uint8_t>(i + 1)) << "block " << i;
  }
  // Every block carries 1020 bytes except the last of each data record.
  int shortBlocks = 0;
  for (const std::size_t n : d.record.blockLengths) shortBlocks += n < kDataBlockPayload ? 1 : 0;
  EXPECT_EQ(shortBlocks, 8);
  EXPECT_EQ(d.record.downloadsCompleted, 1);
  EXPECT_EQ(d.observer.bytes, dataBytes);
}

// One event as a short line; a run of progress events is one "progress".
std::string EventLine(const RunEvent& e) {
  struct Line {
    std::string operator()(const WaitingForBox&) const { return "waiting"; }
    std::string operator()(const BoxStarted& b) const { return "box " + std::to_string(b.box) + " started"; }
    std::string operator()(const PhaseStarted& p) const {
      return std::string(PhaseText(p.phase)) + " started";
    }
    std::string operator()(const StatusLine& s) const { return s.text; }
    std::string operator()(const PartitionStep& s) const {
      return "step " + std::to_string(s.done) + "/" + std::to_string(s.partitions);
    }
    std::string operator()(const JobProgress&) const { return "progress"; }
    std::string operator()(const PhaseEnded& p) const {
      return std::string(PhaseText(p.phase)) + (p.succeeded ? " ended" : " failed");
    }
    std::string operator()(const LogLine& l) const { return "log " + l.text; }
    std::string operator()(const Failed& f) const { return "failed: " + f.reason; }
    std::string operator()(const Retrying& r) const { return "retry: " + DescribeRetry(r); }
    std::string operator()(const BoxEnded& b) const {
      return "box " + std::to_string(b.box) + (b.succeeded ? " succeeded" : " not done");
    }
  };
  return std::visit(Line{}, e);
}

TEST(DownloadTest, ABoxOfTwoPartitionsMakesTheseEventsInThisOrder) {
  TempDir dir;
  const Bytes file = SetFile(PartitionSet::Default);
  WriteBytes(dir / "f.dld", file);
  BoxOnLine line;
  CountingComPort counted(line.port);
  RecordingObserver seen;
  PhaseWatch events(seen);
  BoxLog log(nullptr, "download", "COM.01", counted);
  const LinkFile read = ReadLinkFile(dir / "f.dld", LinkFileUse::Download);
  const BoxJob job{[&] {
                     return DownloadFile(counted, events, read, {true, FastTiming()});
                   },
                   [&](bool) { return FactsOfBytes("f.dld", *read.bytes); },
                   {}};
  StartLoopOptions loop;
  loop.timing = FastTiming();
  ASSERT_TRUE(RunStartLoop(
                  counted, events, [&] { return log.Run(job, events); }, loop)
                  .lastSucceeded);
  std::vector<std::string> lines;
  for (const RunEvent& e : seen.stream) {
    std::string text = EventLine(e);
    if (text == "progress" && !lines.empty() && lines.back() == text) continue;
    lines.push_back(std::move(text));
  }
  const std::vector<std::string> expected{"waiting",
                                          "Connectting...",
                                          "box 1 started",
                                          "Connect Success!",
                                          "Verify...",
                                          "verify started",
                                          "progress",
                                          "verify ended",
                                          "Verify Success!",
                                          "Transfer...",
                                          "transfer started",
                                          "progress",
                                          "step 1/2",
                                          "Transfering Data:  50%",
                                          "progress",
                                          "step 2/2",
                                          "Transfering Data:  100%",
                                          "progress",
                                          "transfer ended",
                                          "Transfer Success!",
                                          "Erase flash...",
                                          "erase started",
                                          "progress",
                                          "Erase flash...  50%",
                                          "step 1/2",
                                          "progress",
                                          "Erase flash...  100%",
                                          "step 2/2",
                                          "progress",
                                          "erase ended",
                                          "Erase flash Success!",
                                          "Program flash...",
                                          "program started",
                                          "progress",
                                          "Program flash...  50%",
                                          "step 1/2",
                                          "progress",
                                          "Program flash...  100%",
                                          "step 2/2",
                                          "progress",
                                          "program ended",
                                          "Program flash Success!",
                                          "box 1 succeeded",
                                          "Update Success!"};
  EXPECT_EQ(lines, expected);
}

TEST(DownloadTest, ARecordOfExactly2040BytesEndsWithABlockWithoutData) {
  const auto d = Download(OnePartitionFile(2040));
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.blockLengths, (std::vector<std::size_t>{1020, 1020, 0}));
  EXPECT_EQ(d.record.blockNumbers, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(DownloadTest, ARecordOf2000BytesGoesAs1020And980) {
  const auto d = Download(OnePartitionFile(2000));
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.blockLengths, (std::vector<std::size_t>{1020, 980}));
  EXPECT_EQ(d.record.blockNumbers, (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(1));
}

TEST(DownloadTest, AHeaderRefusedThreeTimesIsSentAgainUntilAccepted) {
  boxsim::BoxFaults faults;
  faults.refuseHeader = 3;
  const auto d = Download(SetFile(PartitionSet::Key), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.headersReceived, 4);
  EXPECT_EQ(d.record.headersRefused, 3);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(1));
  auto frames = DownloadFrames(SetFile(PartitionSet::Key));
  frames.insert(frames.begin() + 1, 3, "header");
  EXPECT_EQ(d.record.received, frames);
}

TEST(DownloadTest, ARefusedBlockIsSentAgain) {
  boxsim::BoxFaults faults;
  faults.nakBlock = 2;
  const auto d = Download(SetFile(PartitionSet::Key), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.record.naksSent, 1);
  auto frames = DownloadFrames(SetFile(PartitionSet::Key));
  const auto second = std::find(frames.begin(), frames.end(), "block 2");
  frames.insert(second, "block 2");
  EXPECT_EQ(d.record.received, frames);
  // The refused block 2 is taken on its second arrival, numbers unchanged.
  for (std::size_t i = 0; i < d.record.blockNumbers.size(); ++i) {
    EXPECT_EQ(d.record.blockNumbers[i], static_cast<std::uint8_t>(i + 1));
  }
}

TEST(DownloadTest, AStrayByteBeforeAReplyIsDropped) {
  boxsim::BoxFaults faults;
  faults.strayBeforeReply = 3;  // before the ACK of the first data block
  const auto d = Download(SetFile(PartitionSet::Key), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(1));
}

TEST(DownloadTest, AHeaderTheBoxDoesNotVerifyFailsWithVerifyFailed) {
  Bytes file = SetFile(PartitionSet::Key);
  file[10] ^= 0x01;  // the payload no longer matches the header's check value
  const auto d = Download(file);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.observer.Only("status"),
            (std::vector<std::string>{"Connect Success!", "Verify...", "Verify failed!"}));
}

TEST(DownloadTest, OneEraseFailureStillPassesAndShowsEveryQuarter) {
  boxsim::BoxFaults faults;
  faults.eraseFailPartition = 1;
  const auto d = Download(SetFile(PartitionSet::Loader), faults);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.observer.events, CleanDownloadEvents(4));
}

TEST(DownloadTest, AsManyEraseFailuresInARowAsPartitionsFail) {
  boxsim::BoxFaults faults;
  faults.eraseFailPartition = 0;
  faults.eraseFailTimes = 4;
  const auto d = Download(SetFile(PartitionSet::Loader), faults);
  EXPECT_FALSE(d.ok);
  const auto statuses = d.observer.Only("status");
  EXPECT_EQ(statuses.back(), "Erase flash failed!");
  EXPECT_EQ(std::count(statuses.begin(), statuses.end(), "Erase flash...  25%"), 0);
  ASSERT_TRUE(d.failure);
  EXPECT_EQ(d.failure->cause, FailureCause::EraseFailed);
  EXPECT_EQ(d.failure->phase, LinkPhase::Erase);
  EXPECT_EQ(d.failure->partition, 1);
}

TEST(DownloadTest, AProgramFailureFailsWithProgramFlashFailed) {
  boxsim::BoxFaults faults;
  faults.programFailPartition = 0;
  const auto d = Download(SetFile(PartitionSet::Key), faults);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.observer.Only("status").back(), "Program flash failed!");
  ASSERT_TRUE(d.failure);
  EXPECT_EQ(d.failure->cause, FailureCause::ProgramFailed);
  EXPECT_EQ(d.failure->partition, 1);
}

TEST(DownloadTest, SilenceInMidTransferFailsWithinThePollLimits) {
  boxsim::BoxFaults faults;
  faults.silentAfterBlock = 3;
  LinkTiming timing = FastTiming();
  timing.replyPolls = 50;  // ten unanswered sends then cost about half a second
  const auto d = Download(SetFile(PartitionSet::Data), faults, timing);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.observer.Only("status").back(), "Transfer failed!");
  EXPECT_EQ(d.record.blockNumbers.size(), 3u);
  ASSERT_TRUE(d.failure);
  EXPECT_EQ(d.failure->cause, FailureCause::NoReply);
  EXPECT_EQ(d.failure->block, 4u);
  EXPECT_EQ(d.failure->reply, kAck);  // the ACK of block 3 was the last reply
  EXPECT_EQ(DescribeFailure(*d.failure).rfind("transfer, partition 1, block 4, last reply 06: no reply", 0),
            0u)
      << DescribeFailure(*d.failure);
}

TEST(DownloadTest, AWrongTagInTheMiddleFailsTheTransfer) {
  Bytes file = SetFile(PartitionSet::Default);
  const std::size_t second = kHeaderRecordSize + kPartitionRecordSize + GetLe24(file, 98) + 4;
  ASSERT_EQ(file[second], kPartitionTag);
  file[second] = 0x44;
  const auto d = Download(file);
  EXPECT_FALSE(d.ok);
  const auto statuses = d.observer.Only("status");
  EXPECT_EQ(statuses.back(), "Transfer failed!");
  EXPECT_EQ(statuses[statuses.size() - 2], "Transfering Data:  50%");
  ASSERT_TRUE(d.failure);
  EXPECT_EQ(d.failure->cause, FailureCause::BadRecord);
  EXPECT_EQ(d.failure->partition, 2);
  EXPECT_NE(d.failure->detail.find("offset " + std::to_string(second)), std::string::npos);
}

TEST(DownloadTest, ADataRecordRunningPastTheEndOfTheFileFailsTheTransfer) {
  Bytes file = SetFile(PartitionSet::Key);
  file.resize(file.size() - 100);
  const auto d = Download(file);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.observer.Only("status").back(), "Transfer failed!");
  ASSERT_TRUE(d.failure);
  EXPECT_EQ(d.failure->cause, FailureCause::FileShort);
}

// The line goes away like a pulled adapter: in the middle of the blocks and
// during the erase wait. Each run ends at once with the device named.
TEST(DownloadTest, AHangUpEndsTheRunNamingTheDevice) {
  struct Case {
    boxsim::BoxFaults faults;
    LinkPhase phase;
    std::string lastStatus;
  };
  std::vector<Case> cases(2);
  cases[0].faults.hangupAfterBlock = 5;
  cases[0].phase = LinkPhase::Transfer;
  cases[0].lastStatus = "Transfer failed!";
  cases[1].faults.hangupWhileErasing = 1;
  cases[1].phase = LinkPhase::Erase;
  cases[1].lastStatus = "Erase flash failed!";
  for (const Case& c : cases) {
    const auto started = std::chrono::steady_clock::now();
    const auto d = Download(SetFile(PartitionSet::Loader), c.faults);
    EXPECT_LT(std::chrono::steady_clock::now() - started,
              std::chrono::seconds(10));  // not the 5000-poll limits
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.observer.Only("status").back(), c.lastStatus);
    ASSERT_TRUE(d.failure);
    EXPECT_EQ(d.failure->cause, FailureCause::PortGone);
    EXPECT_EQ(d.failure->phase, c.phase);
    EXPECT_NE(d.failure->detail.find("went away"), std::string::npos);
    EXPECT_NE(d.failure->detail.find("/dev/pts/"), std::string::npos);
  }
}

// The user closes the port (Reset, Ctrl-C) while the PC waits for the
// verdict, an erase result or a program result: the running step fails.
TEST(DownloadTest, ClosingThePortInEachWaitFailsThatStep) {
  for (const std::string running : {"Verify...", "Erase flash...", "Program flash..."}) {
    TempDir dir;
    const auto path = dir / "file.dld";
    WriteBytes(path, SetFile(PartitionSet::Key));
    BoxOnLine line;
    RecordingObserver observer;
    ASSERT_TRUE(line.Connect(observer));
    observer.onPump = [&] {
      const auto statuses = observer.Only("status");
      // The verdict is awaited once the box has the header.
      const bool waiting = running != "Verify..." || line.box.Record().headersReceived > 0;
      if (!statuses.empty() && statuses.back() == running && waiting) line.port.CloseComPort();
    };
    const auto result = DownloadFile(line.port, observer, path, 1, {true, FastTiming()});
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().cause, FailureCause::PortClosed);
    const auto statuses = observer.Only("status");
    EXPECT_EQ(statuses[statuses.size() - 2], running);
    EXPECT_EQ(statuses.back(), running.substr(0, running.size() - 3) + " failed!");
  }
}

// A file that cannot be opened for writing is not downloaded. Root opens
// anything, so as root the plan is made by a child that has given up root.
TEST(DownloadTest, AReadOnlyFileIsRefused) {
  TempDir dir;
  const auto path = dir / "ro.dld";
  WriteBytes(path, SetFile(PartitionSet::Key));
  ::chmod(path.c_str(), 0444);
  ::chmod(dir.path().c_str(), 0755);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
    const auto plan = MakeDownloadPlan(path, 1);
    const bool refused = !plan && plan.error().cause == FailureCause::FileError &&
                         plan.error().phase == LinkPhase::Verify &&
                         plan.error().detail.find(path.string()) != std::string::npos;
    ::_exit(refused ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(DownloadTest, AMissingFileFailsTheHeaderCheck) {
  BoxOnLine line;
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  const auto result = DownloadFile(line.port, observer, "/nonexistent/file.dld", 1, {true, FastTiming()});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().cause, FailureCause::FileError);
  EXPECT_EQ(observer.Only("status").back(), "Verify failed!");
}

TEST(DownloadTest, ClosingThePortMidTransferEndsWithTheRunningStepsText) {
  TempDir dir;
  const auto path = dir / "file.dld";
  WriteBytes(path, SetFile(PartitionSet::Data));
  BoxOnLine line;
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  observer.onPump = [&] {
    if (observer.events.size() > 9) line.port.CloseComPort();  // during the second partition
  };
  EXPECT_FALSE(DownloadFile(line.port, observer, path, 8, {false, FastTiming()}));
  EXPECT_EQ(observer.Only("status").back(), "Transfer failed!");
  EXPECT_EQ(observer.Only("status").front(), "Verify...");  // the SatcoDX run leaves out "Connect Success!"
}

}  // namespace
}  // namespace tuneflash::testing

namespace tuneflash::testing {
namespace {

// The erase and program waits name the partition the box reported a failure
// for, apart from frames that are no result at all (the box's next hellos).
TEST(DownloadTest, AFlashFailureNamesThePartitionTheBoxReportedItFor) {
  struct Case {
    std::string name;
    void (*fault)(boxsim::BoxFaults&);
    FailureCause cause;
    LinkPhase phase;
    int partition;
  };
  const std::vector<Case> cases = {
      {"program failure of partition 3", [](boxsim::BoxFaults& f) { f.programFailPartition = 2; },
       FailureCause::ProgramFailed, LinkPhase::Program, 3},
      {"erase failures of partition 6",
       [](boxsim::BoxFaults& f) {
         f.eraseFailPartition = 5;
         f.eraseFailTimes = 8;
       },
       FailureCause::EraseFailed, LinkPhase::Erase, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxsim::BoxFaults faults;
    c.fault(faults);
    const auto d = Download(SetFile(PartitionSet::Data), faults);
    ASSERT_TRUE(d.failure);
    EXPECT_EQ(d.failure->cause, c.cause) << DescribeFailure(*d.failure);
    EXPECT_EQ(d.failure->phase, c.phase);
    EXPECT_EQ(d.failure->partition, c.partition) << DescribeFailure(*d.failure);
    EXPECT_EQ(d.failure->detail.find("failure report(s)"), std::string::npos);
  }
}

// With a time limit a run ends when the box makes no progress for that long,
// whether it refuses or stays silent; the reason says which.
TEST(DownloadTest, TheTimeLimitEndsARunWithoutProgress) {
  struct Case {
    std::string name;
    void (*fault)(boxsim::BoxFaults&);
    FailureCause cause;
    LinkPhase phase;
  };
  const std::vector<Case> cases = {
      {"a header refused for ever", [](boxsim::BoxFaults& f) { f.refuseHeader = 1 << 30; },
       FailureCause::NoProgress, LinkPhase::Verify},
      {"silent after block 2", [](boxsim::BoxFaults& f) { f.silentAfterBlock = 2; }, FailureCause::Silent,
       LinkPhase::Transfer},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxsim::BoxFaults faults;
    c.fault(faults);
    LinkTiming timing = FastTiming();
    timing.replyPolls = 5000;  // longer than the limit: only the limit can end the wait
    timing.silenceLimit = std::chrono::milliseconds(300);
    const auto d = Download(SetFile(PartitionSet::Key), faults, timing);
    ASSERT_TRUE(d.failure);
    EXPECT_EQ(d.failure->cause, c.cause) << DescribeFailure(*d.failure);
    EXPECT_EQ(d.failure->phase, c.phase);
  }
}

}  // namespace
}  // namespace tuneflash::testing
