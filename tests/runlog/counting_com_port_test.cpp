// What the run record counts on the line, against the simulated box: a
// refused block in a download, a refused block in an upload.
#include "runlog/counting_com_port.h"

#include "dld/download_header.h"
#include "link/download.h"
#include "link/link_fixture.h"
#include "link/upload.h"

namespace tuneflash::testing {
namespace {

TEST(CountingComPort, ADownloadWithOneRefusedBlockHasOneNakAndOneResend) {
  TempDir dir;
  const Bytes file = SetFile(PartitionSet::Loader, 2);
  WriteBytes(dir / "f.dld", file);
  boxsim::BoxFaults faults;
  faults.nakBlock = 3;
  BoxOnLine line(faults);
  CountingComPort port(line.port);
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  const LineCounts before = port.counts();
  ASSERT_TRUE(DownloadFile(port, observer, dir / "f.dld", 4, {true, FastTiming()}));
  const LineCounts counts = CountsBetween(before, port.counts());
  EXPECT_EQ(counts.naks, 1);
  EXPECT_EQ(counts.resends, 1);
  // Every record in 1024-byte blocks, one block twice, plus the request frame.
  const std::size_t blocks = line.box.Record().blockNumbers.size();
  EXPECT_EQ(counts.bytesSent, 4 + kHeaderRecordSize + 4 * kPartitionRecordSize + (blocks + 1) * 1024);
  // A reply per frame (the header's, each record's, each block's and the
  // refusal), the verdict, 4 erase and 4 program results.
  EXPECT_EQ(counts.bytesReceived, 1 + 4 + 4 + (blocks + 1) + 8 * 4);
}

TEST(CountingComPort, AnUploadWithOneBadBlockHasOneNakAndNoResend) {
  TempDir dir;
  boxsim::BoxFaults faults;
  faults.badUploadSumBlock = 1;  // an erased Key area packs into one block
  BoxOnLine line(faults);
  CountingComPort port(line.port);
  RecordingObserver observer;
  ASSERT_TRUE(line.Connect(observer));
  DownloadHeaderState header;
  ASSERT_TRUE(UploadFile(port, observer, header, dir / "up.dld", PartitionSet::Key, FastTiming()));
  EXPECT_EQ(port.counts().naks, 1);
  EXPECT_EQ(port.counts().resends, 0);
  EXPECT_GT(port.counts().bytesReceived, std::filesystem::file_size(dir / "up.dld"));
}

}  // namespace
}  // namespace tuneflash::testing
