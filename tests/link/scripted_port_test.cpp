// The link's waits and sequences against a scripted box: arrivals a strict
// simulated box never makes (frames in pieces, frames run together, a box
// that refuses for ever), each at an exact wait of the PC.
#include <gtest/gtest.h>

#include <array>

#include "dld/builder.h"
#include "link/download.h"
#include "link/frame_exchange.h"
#include "link/link_frames.h"
#include "link/upgrade_status.h"
#include "recording_observer.h"
#include "support/scripted_com_port.h"
#include "support/temp_dir.h"

namespace tuneflash::testing {
namespace {

LinkTiming FewPolls() {
  LinkTiming t;
  t.replyPolls = 2;
  t.recordPolls = 2;
  t.blockPolls = 2;
  return t;
}

TEST(ScriptedPortTest, AFrameInPiecesIsTakenWholeAndFramesRunTogetherAreDropped) {
  const StatusFrame hello = *MakeStatusFrame(kConnecting);
  ScriptedComPort port;
  port.OpenComPort("scripted");
  RecordingObserver observer;

  port.Serve(ByteSpan(hello).first(1));
  port.Serve(ByteSpan(hello).subspan(1));
  EXPECT_TRUE(ConnectBox(port, observer, FewPolls()));
  EXPECT_EQ(port.StepsLeft(), 0u);

  // Two hellos at once are more than the read takes: both go, and the wait
  // goes on past a frame that is not a status frame to the next hello.
  Bytes twice(hello.begin(), hello.end());
  twice.insert(twice.end(), hello.begin(), hello.end());
  port.Serve(twice);
  port.Serve(std::array<std::uint8_t, 4>{0x41, 0x01, 0x00, kFrameEnd});
  port.Serve(hello);
  EXPECT_TRUE(ConnectBox(port, observer, FewPolls()));
  EXPECT_EQ(port.StepsLeft(), 0u);
  EXPECT_TRUE(port.Written().empty());

  // A box that stops talking is a device gone, named in the failure.
  const auto gone = ConnectBox(port, observer, FewPolls());
  ASSERT_FALSE(gone);
  EXPECT_EQ(gone.error().cause, FailureCause::PortGone);
  EXPECT_EQ(gone.error().phase, LinkPhase::Hello);
  EXPECT_EQ(gone.error().device, "scripted");
}

TEST(ScriptedPortTest, AHeaderRefusedOnAndOnGoesAgainUntilTheBoxGoesAway) {
  TempDir dir;
  const std::array<Bytes, 1> image{Bytes(100, 0x5A)};
  const Bytes file = BuildDownloadFile(FILE_DOWNLOAD_HEADER_T{}, PartitionSet::Key, image);
  WriteBytes(dir / "key.dld", file);
  ScriptedComPort port;
  port.OpenComPort("scripted");
  constexpr int kRefusals = 3 * kMaxMisses;
  const std::array<std::uint8_t, 1> nak{kNak};
  for (int i = 0; i < kRefusals; ++i) port.Serve(nak);
  port.Serve({});  // and a wait in silence: a miss like a NAK
  RecordingObserver observer;
  DownloadOptions options;
  options.timing = FewPolls();

  const auto result = DownloadFile(port, observer, dir / "key.dld", 1, options);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().cause, FailureCause::PortGone);
  EXPECT_EQ(result.error().phase, LinkPhase::Verify);
  EXPECT_EQ(result.error().reply, kNak);
  // The request, then the header once and once more after every refusal.
  ASSERT_EQ(port.Written().size(), 1u + 1u + kRefusals);
  for (std::size_t i = 1; i < port.Written().size(); ++i)
    EXPECT_EQ(port.Written()[i], Bytes(file.begin(), file.begin() + kHeaderRecordSize)) << i;
  EXPECT_EQ(observer.Only("status").back(), "Verify failed!");
}

}  // namespace
}  // namespace tuneflash::testing
