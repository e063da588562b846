// Many boxes over eight ports at once, each with a fault drawn at random
// (seeded): every box's record in the shared runs.jsonl must name the
// outcome its fault causes, no run may hang (each ends within the waits'
// limits), and no line of the file may be lost or broken.
// TUNEFLASH_SOAK_BOXES sets the number of boxes (100 unless given).
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <thread>
#include <tuple>

#include "link/download.h"
#include "link/upload.h"
#include "link/verify.h"
#include "link_fixture.h"
#include "run/phase_watch.h"
#include "runlog/box_log.h"
#include "runlog/file_facts.h"

namespace tuneflash::testing {
namespace {

enum class Job { Download, Upload, Verify };

struct Expected {
  std::string result = "success";
  std::string phase;
  std::string cause;
  int partition = 0;
};

Expected Fails(LinkPhase phase, FailureCause cause, int partition = 0) {
  return {"failed", std::string(PhaseText(phase)), std::string(CauseText(cause)), partition};
}

// One kind of fault and what it makes of each job, with a Loader file (four
// partitions; the first has several blocks).
struct FaultKind {
  std::string name;
  void (*apply)(boxsim::BoxFaults&);
  Expected download, upload, verify;
};

const std::vector<FaultKind>& FaultKinds() {
  static const std::vector<FaultKind> kinds = {
      {"none", [](boxsim::BoxFaults&) {}, {}, {}, {}},
      {"nak-block", [](boxsim::BoxFaults& f) { f.nakBlock = 3; }, {}, {}, {}},
      {"bad-upload-sum", [](boxsim::BoxFaults& f) { f.badUploadSumBlock = 2; }, {}, {}, {}},
      {"silent-after-block", [](boxsim::BoxFaults& f) { f.silentAfterBlock = 2; },
       Fails(LinkPhase::Transfer, FailureCause::NoReply, 1),
       Fails(LinkPhase::Transfer, FailureCause::NoReply, 1),
       Fails(LinkPhase::Transfer, FailureCause::NoReply, 1)},
      {"erase-fail-4",
       [](boxsim::BoxFaults& f) {
         f.eraseFailPartition = 1;
         f.eraseFailTimes = 4;
       },
       Fails(LinkPhase::Erase, FailureCause::EraseFailed, 2),
       {},
       {}},
      {"program-fail",
       [](boxsim::BoxFaults& f) { f.programFailPartition = 2; },
       Fails(LinkPhase::Program, FailureCause::ProgramFailed, 3),
       {},
       {}},
      {"hangup-after-block", [](boxsim::BoxFaults& f) { f.hangupAfterBlock = 2; },
       Fails(LinkPhase::Transfer, FailureCause::PortGone, 1),
       Fails(LinkPhase::Transfer, FailureCause::PortGone, 1),
       Fails(LinkPhase::Transfer, FailureCause::PortGone, 1)},
      {"bad-upload-header",
       [](boxsim::BoxFaults& f) { f.badUploadHeader = true; },
       {},
       Fails(LinkPhase::Verify, FailureCause::BadRecord),
       Fails(LinkPhase::Verify, FailureCause::BadRecord)},
      {"bad-data-record",
       [](boxsim::BoxFaults& f) { f.badDataRecordPartition = 1; },
       {},
       Fails(LinkPhase::Transfer, FailureCause::BadRecord, 2),
       Fails(LinkPhase::Transfer, FailureCause::BadRecord, 2)},
      {"bad-data-tag",
       [](boxsim::BoxFaults& f) { f.badDataTagPartition = 3; },
       {},
       Fails(LinkPhase::Transfer, FailureCause::BadRecord, 4),
       Fails(LinkPhase::Transfer, FailureCause::BadRecord, 4)},
      {"refuse-header-for-ever",
       [](boxsim::BoxFaults& f) { f.refuseHeader = 1 << 30; },
       Fails(LinkPhase::Verify, FailureCause::NoProgress),
       {},
       {}},
  };
  return kinds;
}

// Short waits: a silent box costs about a second, a refusing one the time
// limit, which is long enough that a loaded machine never reaches it first.
LinkTiming SoakTiming() {
  LinkTiming t;
  // Shorter than the product's, long enough for a loaded machine; ten silent
  // replies or blocks in a row (2.5 s and the polls' overhead) stay well
  // within the time limit, so silence is told apart from no progress.
  t.replyPolls = 250;
  t.recordPolls = 1001;  // the product's: a header late on a loaded machine is not refused
  t.blockPolls = 250;
  t.silenceLimit = std::chrono::milliseconds(5000);
  return t;
}

struct Planned {
  const FaultKind* fault;
  Job job;
};

const Expected& ExpectedOf(const Planned& p) {
  switch (p.job) {
    case Job::Download:
      return p.fault->download;
    case Job::Upload:
      return p.fault->upload;
    case Job::Verify:
      break;
  }
  return p.fault->verify;
}

std::string_view CommandOf(Job job) {
  return job == Job::Download ? "download" : job == Job::Upload ? "upload" : "verify";
}

class SoakLane {
 public:
  SoakLane(std::string name, const std::filesystem::path& dir, const std::filesystem::path& dld,
           const VerifyReport& expected, std::shared_ptr<const RunLogFile> log,
           const std::filesystem::path& flash)
      : name_(std::move(name)),
        dir_(dir),
        dld_(dld),
        expected_(expected),
        flash_(flash),
        counting_(posix_),
        logs_{BoxLog(log, "download", name_, counting_), BoxLog(log, "upload", name_, counting_),
              BoxLog(log, "verify", name_, counting_)} {}

  void RunBox(const Planned& plan) {
    boxsim::BoxSimOptions options = FastBoxOptions();
    options.sessionTimeout = std::chrono::milliseconds(1500);
    // The product's hello pace: a PC slowed by a loaded machine still gets its request in.
    options.reannounce = std::chrono::milliseconds(300);
    options.idleHello = std::chrono::milliseconds(500);
    options.flashFile = flash_;
    plan.fault->apply(options.faults);
    // The box's flash file is only read: its saves go to a copy of its own.
    boxsim::BoxSim box(options);
    box.Start();
    CountingComPort& counting = counting_;
    RecordingObserver recorder;
    PhaseWatch observer(recorder);
    const LinkTiming timing = SoakTiming();
    ASSERT_TRUE(counting.OpenComPort(box.DevicePath()));
    ASSERT_TRUE(ConnectBox(counting, observer, timing));
    const auto target = dir_ / (name_ + ".dld");
    auto verified = std::make_shared<VerifyResult>();
    BoxJob job;
    job.file = [&](bool ok) {
      if (plan.job != Job::Upload) return FactsOfFile(dld_);
      return FactsOfFile(ok ? target : PartialUploadPath(target));
    };
    switch (plan.job) {
      case Job::Download:
        job.run = [&] { return DownloadFile(counting, observer, dld_, 4, {true, timing}); };
        break;
      case Job::Upload:
        job.run = [&] {
          DownloadHeaderState header;
          std::filesystem::remove(target);
          return UploadFile(counting, observer, header, target, PartitionSet::Loader, timing);
        };
        break;
      case Job::Verify:
        job.run = [&] {
          *verified = VerifyBox(counting, observer, expected_, timing);
          return verified->status;
        };
        job.partitions = [verified] { return verified->partitions; };
        break;
    }
    // Each command numbers its boxes on this port.
    logs_[static_cast<std::size_t>(plan.job)].Run(job, observer);
    counting.CloseComPort();
    box.Stop();
  }

 private:
  std::string name_;
  std::filesystem::path dir_;
  std::filesystem::path dld_;
  const VerifyReport& expected_;
  std::filesystem::path flash_;
  PosixComPort posix_;
  CountingComPort counting_;
  std::array<BoxLog, 3> logs_;
};

int SoakBoxes() {
  const char* boxes = std::getenv("TUNEFLASH_SOAK_BOXES");
  return boxes != nullptr ? std::max(8, std::atoi(boxes)) : 100;
}

TEST(Soak, EveryBoxOverEightPortsIsRecordedWithTheOutcomeOfItsFault) {
  constexpr int kPorts = 8;
  const int boxes = SoakBoxes();
  TempDir dir;
  const auto dld = dir / "loader.dld";
  const Bytes file = SetFile(PartitionSet::Loader, 5);
  WriteBytes(dld, file);
  const VerifyReport expected = VerifyDownloadFile(file, true);
  // A flash that holds the file, so that upload and verify of a clean box succeed.
  const auto flash = dir / "flash.bin";
  {
    boxsim::BoxSimOptions options = FastBoxOptions();
    options.flashFile = flash;
    BoxOnLine line(options);
    RecordingObserver observer;
    ASSERT_TRUE(line.Connect(observer));
    ASSERT_TRUE(DownloadFile(line.port, observer, dld, 4, {true, FastTiming()}));
  }
  RunLogFailure failure;
  auto opened = RunLogFile::Open(dir / "runs.jsonl", failure, RunOrigin::OfThisRun("soak"));
  ASSERT_TRUE(opened) << failure.Describe();
  auto log = std::make_shared<const RunLogFile>(std::move(*opened));

  // The plan, drawn once from a fixed seed: box k goes to port k mod 8.
  std::mt19937 random(20261209);
  const auto& kinds = FaultKinds();
  std::vector<Planned> plan;
  for (int k = 0; k < boxes; ++k) {
    plan.push_back({&kinds[random() % kinds.size()], static_cast<Job>(random() % 3)});
  }
  std::vector<std::thread> lanes;
  for (int p = 0; p < kPorts; ++p) {
    lanes.emplace_back([&, p] {
      const auto laneDir = dir / ("lane" + std::to_string(p));
      std::filesystem::create_directories(laneDir);
      // Each lane's box keeps a flash file of its own (downloads save into it).
      const auto laneFlash = laneDir / "flash.bin";
      SoakLane lane("P" + std::to_string(p + 1), laneDir, dld, expected, log, laneFlash);
      for (int k = p; k < boxes; k += kPorts) {
        std::filesystem::copy_file(flash, laneFlash, std::filesystem::copy_options::overwrite_existing);
        lane.RunBox(plan[static_cast<std::size_t>(k)]);
      }
    });
  }
  for (auto& lane : lanes) lane.join();

  // Every line whole; every box once, with its fault's outcome.
  std::ifstream in(dir / "runs.jsonl");
  std::map<std::tuple<std::string, std::string, int>, nlohmann::json> records;
  int lines = 0;
  for (std::string line; std::getline(in, line); ++lines) {
    const auto record = nlohmann::json::parse(line, nullptr, false);
    ASSERT_FALSE(record.is_discarded()) << "line " << lines + 1 << " is broken: " << line;
    records[{record["port"].get<std::string>(), record["command"].get<std::string>(),
             record["box"].get<int>()}] = record;
  }
  ASSERT_EQ(lines, boxes);
  ASSERT_EQ(records.size(), static_cast<std::size_t>(boxes));
  std::map<std::pair<std::string, Job>, int> numbers;  // boxes so far per port and command
  for (int k = 0; k < boxes; ++k) {
    const Planned& p = plan[static_cast<std::size_t>(k)];
    const std::string port = "P" + std::to_string(k % kPorts + 1);
    const int number = ++numbers[{port, p.job}];
    const auto& record = records[{port, std::string(CommandOf(p.job)), number}];
    const Expected& want = ExpectedOf(p);
    const std::string what =
        p.fault->name + " on " + std::string(CommandOf(p.job)) + ", box " + std::to_string(k);
    EXPECT_EQ(record["result"], want.result) << what << ": " << record.dump();
    EXPECT_EQ(record["station"], "soak") << what;
    if (want.result == "success" || record["result"] != want.result) continue;
    const auto& failed = record["failure"];
    EXPECT_EQ(failed["phase"], want.phase) << what << ": " << failed.dump();
    EXPECT_EQ(failed["cause"], want.cause) << what << ": " << failed.dump();
    EXPECT_EQ(failed["partition"], want.partition > 0 ? nlohmann::json(want.partition) : nlohmann::json())
        << what << ": " << failed.dump();
  }
}

}  // namespace
}  // namespace tuneflash::testing
