// 200 downloads and 200 uploads in a row against the strict simulated box:
// not one frame the box is owed goes missing, no frame comes out of order.
// Small sets and no pacing keep it to seconds; labelled "stress".
#include <thread>

#include "dld/file_io.h"
#include "link/download.h"
#include "link/start_loop.h"
#include "link/upload.h"
#include "link_fixture.h"

namespace tuneflash::testing {
namespace {

constexpr int kRuns = 200;

TEST(LinkStressTest, TwoHundredDownloadsAndUploadsLoseNoFrame) {
  TempDir dir;
  const Bytes file = OnePartitionFile(2000);
  WriteBytes(dir / "key.dld", file);
  BoxOnLine line;
  RecordingObserver observer;
  // A PC that loses the request before the header would send the header for
  // ever: the watchdog ends such a run.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  observer.onPump = [&] {
    if (std::chrono::steady_clock::now() > deadline) line.port.CloseComPort();
  };
  StartLoopOptions options;
  options.nextBoxAfterSuccess = true;
  options.maxBoxes = kRuns;
  options.timing = FastTiming();
  const auto downloads = RunStartLoop(
      line.port, observer,
      [&] {
        return DownloadFile(line.port, observer, dir / "key.dld", 1, {true, FastTiming()});
      },
      options);
  EXPECT_EQ(downloads.boxesSucceeded, kRuns);
  EXPECT_TRUE(observer.failures.empty());

  Bytes first;
  for (int i = 0; i < kRuns; ++i) {
    RecordingObserver up;
    DownloadHeaderState header;
    ASSERT_TRUE(line.Connect(up)) << "upload " << i;
    const int before = line.box.Record().uploadsCompleted;
    const auto result = UploadFile(line.port, up, header, dir / "up.dld", PartitionSet::Key, FastTiming());
    ASSERT_TRUE(result) << "upload " << i << ": " << DescribeFailure(result.error());
    if (i == 0) first = ReadWholeFile(dir / "up.dld");
    for (int wait = 0; wait < 200 && line.box.Record().uploadsCompleted == before; ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const boxsim::BoxRecord record = line.box.Record();
  EXPECT_EQ(record.downloadsCompleted, kRuns);
  EXPECT_EQ(record.uploadsCompleted, kRuns);
  EXPECT_TRUE(record.protocolErrors.empty()) << record.protocolErrors.front();
  std::vector<std::string> frames;
  for (int i = 0; i < kRuns; ++i) {
    const auto one = DownloadFrames(file);
    frames.insert(frames.end(), one.begin(), one.end());
  }
  for (int i = 0; i < kRuns; ++i) {
    const auto one = UploadFrames(first);
    frames.insert(frames.end(), one.begin(), one.end());
  }
  ASSERT_EQ(record.received.size(), frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    ASSERT_EQ(record.received[i], frames[i]) << "frame " << i;
  }
}

}  // namespace
}  // namespace tuneflash::testing
