// The port lane: what it records, how it stops, and what stays on its thread.
#include "lane/port_lane.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "app/pty_pair.h"
#include "link/link_fixture.h"
#include "runlog/file_facts.h"

namespace tuneflash::testing {
namespace {

using app::testing::PtyPair;

std::vector<nlohmann::json> Records(const std::filesystem::path& path) {
  std::vector<nlohmann::json> records;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) records.push_back(nlohmann::json::parse(line));
  return records;
}

struct LaneRig {
  explicit LaneRig(LaneSetup setup) {
    RunLogFailure failure;
    auto file = RunLogFile::Open(dir / "runs.jsonl", failure);
    if (!file) ADD_FAILURE() << failure.Describe();
    setup.runLog = std::make_shared<const RunLogFile>(std::move(*file));
    setup.timing = FastTiming();
    setup.pauseAfterSuccess = std::chrono::milliseconds(10);
    lane.emplace(port, std::move(setup));
  }

  // A job that throws `detail`.
  LaneJobMaker FailingJob(const std::string& detail) {
    return [detail](const LaneBinding&) {
      return BoxJob{[detail]() -> LinkStatus { throw std::runtime_error(detail); },
                    [](bool) { return FactsOfBytes("f.dld", Bytes(3)); },
                    {}};
    };
  }

  TempDir dir;
  PosixComPort port;
  std::optional<PortLane> lane;
  RecordingObserver seen;
  StopToken stop;
};

TEST(PortLane, ABoxThatSpeaksButNotHelloIsRecordedAndSilenceIsNot) {
  PtyPair pty;
  LaneRig rig(LaneSetup{.port = "COM.03", .command = "download", .count = 0, .goOnAfterFailure = true});
  ASSERT_TRUE(rig.lane->Open(pty.device()));
  EXPECT_EQ(rig.lane->port().DeviceName(), pty.device());
  // Status 1 (the hello) would start a box; 0x05 is another status, said
  // again and again as a box that keeps reporting a failure does: one box.
  const std::array<std::uint8_t, 4> notHello{0x02, 0x05, 0x00, 0x03};
  std::size_t said = 0;
  rig.seen.onPump = [&] {
    // The next frame once the last one has failed its hello wait.
    if (said == rig.seen.failures.size() && said < 3) {
      if (::write(pty.master(), notHello.data(), notHello.size()) == 4) ++said;
    }
    if (rig.seen.failures.size() >= 3) rig.stop.Raise();
  };
  const LaneEnd end = rig.lane->Run(rig.seen, rig.stop, rig.FailingJob("never runs"));
  EXPECT_FALSE(end.lastSucceeded);
  EXPECT_TRUE(end.stopped);
  EXPECT_EQ(end.boxesRecorded, 1);
  const auto records = Records(rig.dir / "runs.jsonl");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["result"], "failed");
  EXPECT_EQ(records[0]["port"], "COM.03");
  EXPECT_EQ(records[0]["failure"]["phase"], "waiting for the box's hello");
  EXPECT_FALSE(rig.lane->port().PortOpen());

  // A port that nobody answers is no box: the stop ends the wait, unrecorded.
  LaneRig quiet(LaneSetup{.port = "COM.04", .command = "download", .count = 0});
  PtyPair silent;
  ASSERT_TRUE(quiet.lane->Open(silent.device()));
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    quiet.stop.Raise();
  });
  const LaneEnd stopped = quiet.lane->Run(quiet.seen, quiet.stop, quiet.FailingJob("never runs"));
  stopper.join();
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.boxesRecorded, 0);
  EXPECT_TRUE(Records(quiet.dir / "runs.jsonl").empty());
}

TEST(PortLane, BoxesAreNumberedOnAndAThrowingJobEndsOnlyItsBox) {
  boxsim::BoxSim box(FastBoxOptions());
  box.Start();
  LaneRig rig(LaneSetup{
      .port = "COM.01", .command = "verify", .count = 0, .goOnAfterFailure = true, .boxesBefore = 4});
  ASSERT_TRUE(rig.lane->Open(box.DevicePath()));
  int boxes = 0;
  rig.seen.onPump = [&] {
    if (boxes >= 2) rig.stop.Raise();
  };
  const LaneEnd end = rig.lane->Run(rig.seen, rig.stop, [&](const LaneBinding& lane) {
    return BoxJob{[&, lane]() -> LinkStatus {
                    ++boxes;
                    // Each box is taken as far as its hello, then its job fails.
                    lane.events.OnEvent(PhaseStarted{LinkPhase::Transfer});
                    throw std::runtime_error("job " + std::to_string(boxes) + " broke");
                  },
                  [](bool) { return FactsOfBytes("f.dld", Bytes(3)); },
                  {}};
  });
  box.Stop();
  EXPECT_TRUE(end.stopped);
  const auto records = Records(rig.dir / "runs.jsonl");
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records[0]["box"], 5);
  EXPECT_EQ(records[1]["box"], 6);
  EXPECT_EQ(records[1]["failure"]["phase"], "transfer");
  EXPECT_NE(records[1]["failure"]["text"].get<std::string>().find("job 2 broke"), std::string::npos);
}

TEST(PortLane, AJobMakerThatThrowsEndsTheLaneWithItsReason) {
  PtyPair pty;
  LaneRig rig(LaneSetup{.port = "COM.02", .command = "verify"});
  ASSERT_TRUE(rig.lane->Open(pty.device()));
  LaneEnd end;
  ASSERT_NO_THROW(end = rig.lane->Run(rig.seen, rig.stop, [](const LaneBinding&) -> BoxJob {
    throw std::length_error("too many areas for one upload request");
  }));
  ASSERT_TRUE(end.failure);
  EXPECT_EQ(end.failure->detail, "too many areas for one upload request");
  ASSERT_EQ(rig.seen.failures.size(), 1u);
  EXPECT_FALSE(rig.lane->port().PortOpen());
}

}  // namespace
}  // namespace tuneflash::testing
