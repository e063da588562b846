// The Start loop over the simulated box: box after box, and one pass.
#include "link/start_loop.h"

#include "dld/download_header.h"
#include "link/download.h"
#include "link/upload.h"
#include "link_fixture.h"

namespace tuneflash::testing {
namespace {

TEST(StartLoopTest, FlashesBoxAfterBoxUpToTheCount) {
  TempDir dir;
  WriteBytes(dir / "key.dld", SetFile(PartitionSet::Key));
  BoxOnLine line;
  RecordingObserver observer;
  std::vector<bool> running;
  StartLoopOptions options;
  options.nextBoxAfterSuccess = true;
  options.maxBoxes = 2;
  options.timing = FastTiming();
  options.sequenceRunning = [&](bool r) { running.push_back(r); };
  int pauses = 0;
  options.pauseAfterSuccess = [&] { ++pauses; };
  const auto result = RunStartLoop(
      line.port, observer,
      [&] {
        return DownloadFile(line.port, observer, dir / "key.dld", 1, {true, FastTiming()});
      },
      options);
  EXPECT_EQ(result.boxesSucceeded, 2);
  EXPECT_TRUE(result.lastSucceeded);
  EXPECT_EQ(pauses, 1);
  EXPECT_EQ(running, (std::vector<bool>{true, false, true, false}));
  std::vector<std::string> pass{"reset", "status Connectting..."};
  const auto download = CleanDownloadEvents(1);
  pass.insert(pass.end(), download.begin(), download.end());
  pass.insert(pass.end(), {"controls on", "status Update Success!"});
  std::vector<std::string> expected = pass;
  expected.insert(expected.end(), pass.begin(), pass.end());
  EXPECT_EQ(observer.events, expected);
  EXPECT_EQ(line.box.Record().downloadsCompleted, 2);
  // Both boxes got every frame.
  auto frames = DownloadFrames(SetFile(PartitionSet::Key));
  const auto once = frames;
  frames.insert(frames.end(), once.begin(), once.end());
  EXPECT_EQ(line.box.Record().received, frames);
  EXPECT_TRUE(line.box.Record().protocolErrors.empty());
}

TEST(StartLoopTest, AFailedSequenceEndsWithUpdateFailed) {
  TempDir dir;
  boxsim::BoxFaults faults;
  faults.badUploadHeader = true;
  BoxOnLine line(faults);
  RecordingObserver observer;
  DownloadHeaderState header;
  StartLoopOptions options;
  options.timing = FastTiming();
  const auto result = RunStartLoop(
      line.port, observer,
      [&] {
        return UploadFile(line.port, observer, header, dir / "key.dld", PartitionSet::Key, FastTiming());
      },
      options);
  EXPECT_FALSE(result.lastSucceeded);
  EXPECT_FALSE(result.stoppedByUser);
  const auto statuses = observer.Only("status");
  EXPECT_EQ(statuses[statuses.size() - 2], "Verify failed!");
  EXPECT_EQ(statuses.back(), "Update failed!");
  // The reason comes once, after the texts.
  ASSERT_EQ(observer.failures.size(), 1u);
  EXPECT_EQ(observer.failures[0].phase, LinkPhase::Verify);
  EXPECT_EQ(observer.failures[0].cause, FailureCause::BadRecord);
  ASSERT_TRUE(result.failure);
  EXPECT_EQ(result.failure->cause, FailureCause::BadRecord);
}

}  // namespace
}  // namespace tuneflash::testing
