// The serial primitives and the waits on a bare pseudo-terminal: the test
// holds the master side and plays the box byte by byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

#include "link/link_frames.h"
#include "link/link_waits.h"
#include "link/posix_com_port.h"
#include "link/start_loop.h"
#include "link/upgrade_status.h"
#include "recording_observer.h"
#include "support/temp_dir.h"

namespace tuneflash::testing {
namespace {

class BarePty : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
    device_ = ::ptsname(master_);
    const auto opened = port_.OpenComPort(device_);
    ASSERT_TRUE(opened) << DescribeFailure(opened.error());
  }
  void TearDown() override {
    port_.CloseComPort();
    if (master_ >= 0) ::close(master_);
  }

  // The box's side goes away, like a pulled adapter.
  void PullTheLine() {
    ::close(master_);
    master_ = -1;
  }

  // The box sends `bytes`; returns once they are queued on the PC's side.
  void BoxSends(std::initializer_list<std::uint8_t> bytes, int expectQueued = -1) {
    const Bytes data(bytes);
    ASSERT_EQ(::write(master_, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    const int want = expectQueued < 0 ? static_cast<int>(data.size()) : expectQueued;
    for (int i = 0; i < 1000 && port_.QueuedInput() < want; ++i) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_EQ(port_.QueuedInput(), want);
  }

  // What the PC has written and the box has not read yet.
  Bytes BoxReceives() {
    Bytes got;
    std::array<std::uint8_t, 4096> chunk{};
    pollfd p{master_, POLLIN, 0};
    while (::poll(&p, 1, 50) > 0) {
      const ssize_t n = ::read(master_, chunk.data(), chunk.size());
      if (n <= 0) break;
      got.insert(got.end(), chunk.begin(), chunk.begin() + n);
    }
    return got;
  }

  int master_ = -1;
  std::string device_;
  PosixComPort port_;
  RecordingObserver observer_;
};

TEST_F(BarePty, AReadSucceedsOnlyWhenExactlyTheExpectedBytesAreQueued) {
  std::array<std::uint8_t, 4> four{};
  BoxSends({1, 2, 3});
  EXPECT_FALSE(*port_.ReadComPort(four));
  EXPECT_EQ(port_.QueuedInput(), 3);  // too few stay queued
  BoxSends({4, 5}, 5);
  EXPECT_FALSE(*port_.ReadComPort(four));
  EXPECT_EQ(port_.QueuedInput(), 0);  // too many are thrown away, the expected ones with them
  BoxSends({9, 8, 7, 6});
  EXPECT_TRUE(*port_.ReadComPort(four));
  EXPECT_EQ(four, (std::array<std::uint8_t, 4>{9, 8, 7, 6}));
}

TEST_F(BarePty, EveryWritePurgesWhatTheBoxSentFirst) {
  BoxSends({0x06, 0x02});
  const std::array<std::uint8_t, 1> ack{kAck};
  EXPECT_TRUE(port_.WriteComPort(ack));
  EXPECT_EQ(port_.QueuedInput(), 0);
  EXPECT_EQ(BoxReceives(), Bytes{kAck});
}

// Two writes without a read between them: the first frame must not be lost
// to the purge of the second (the download request before the header, the
// header's ACK and the verdict before the upload request).
TEST_F(BarePty, AWriteIsNeverUndoneByTheNextOnesPurge) {
  EXPECT_TRUE(SendStatusFrame(port_, kDownloadRequest));
  EXPECT_TRUE(SendAck(port_));
  EXPECT_TRUE(SendStatusFrame(port_, kVerifySuccess));
  EXPECT_EQ(BoxReceives(), (Bytes{0x02, 0x0A, 0x00, 0x03, kAck, 0x02, 0x03, 0x01, 0x03}));
}

TEST_F(BarePty, FramesAbove2048BytesAreRefusedButStillPurge) {
  BoxSends({1});
  const Bytes big(2049, 0x55);
  EXPECT_EQ(port_.WriteComPort(big).error().cause, FailureCause::FrameTooLong);
  EXPECT_EQ(port_.QueuedInput(), 0);
  EXPECT_TRUE(BoxReceives().empty());
  Bytes dest(2049);
  EXPECT_EQ(port_.ReadComPort(dest).error().cause, FailureCause::FrameTooLong);
  const Bytes largest(2048, 0x55);
  EXPECT_TRUE(port_.WriteComPort(largest));
  EXPECT_EQ(BoxReceives(), largest);
}

TEST_F(BarePty, AfterACloseEveryPrimitiveFails) {
  bool lamp = true;
  port_.SetStateListener([&](bool open) { lamp = open; });
  port_.CloseComPort();
  EXPECT_FALSE(lamp);
  EXPECT_FALSE(port_.PortOpen());
  std::array<std::uint8_t, 1> byte{kAck};
  EXPECT_EQ(port_.WriteComPort(byte).error().cause, FailureCause::PortClosed);
  EXPECT_EQ(port_.ReadComPort(byte).error().cause, FailureCause::PortClosed);
  EXPECT_EQ(port_.PurgeComPort().error().cause, FailureCause::PortClosed);
  EXPECT_EQ(port_.WaitForInput(1, std::chrono::milliseconds(1)).error().cause, FailureCause::PortClosed);
  EXPECT_FALSE(SendAck(port_));
  EXPECT_EQ(WaitReply(port_, observer_, 5000).error().cause, FailureCause::PortClosed);
  EXPECT_EQ(WaitStatusFrame(port_, observer_).error().cause, FailureCause::PortClosed);
  EXPECT_EQ(ConnectBox(port_, observer_).error().phase, LinkPhase::Hello);
}

// A line that goes away is noticed by whichever operation comes first, at
// once: the port closes (the lamp goes red) and the failure names the port
// and its device.
TEST_F(BarePty, APulledLineClosesThePortAndNamesIt) {
  bool lamp = true;
  port_.SetStateListener([&](bool open) { lamp = open; });
  port_.SetPortLabel("COM.03");
  PullTheLine();
  const auto waited = port_.WaitForInput(1, std::chrono::milliseconds(20));
  ASSERT_FALSE(waited);
  EXPECT_EQ(waited.error().cause, FailureCause::PortGone);
  EXPECT_EQ(waited.error().detail, "COM.03 (" + device_ + ") went away");
  EXPECT_FALSE(port_.PortOpen());
  EXPECT_FALSE(lamp);
}

TEST_F(BarePty, APulledLineEndsTheWaitForHelloAndTheStartLoop) {
  observer_.onPump = [&] {
    if (observer_.pumps == 3) PullTheLine();
  };
  const auto started = std::chrono::steady_clock::now();
  const auto result = RunStartLoop(
      port_, observer_, [] { return LinkOk(); }, StartLoopOptions{});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_FALSE(result.lastSucceeded);
  EXPECT_FALSE(result.stoppedByUser);
  ASSERT_TRUE(result.failure);
  EXPECT_EQ(result.failure->cause, FailureCause::PortGone);
  EXPECT_EQ(result.failure->phase, LinkPhase::Hello);
  EXPECT_EQ(observer_.Only("status"), (std::vector<std::string>{"Connectting...", "Update failed!"}));
  ASSERT_EQ(observer_.failures.size(), 1u);
  EXPECT_NE(DescribeFailure(observer_.failures[0]).find(device_ + " went away"), std::string::npos);
  // The wait slept its periods: a handful of pumps, not a spin.
  EXPECT_LT(observer_.pumps, 50);
}

TEST_F(BarePty, ABoxSilentForTheTimeLimitEndsTheWaitNamingIt) {
  LinkTiming timing;
  timing.silenceLimit = std::chrono::milliseconds(100);
  const auto hello = ConnectBox(port_, observer_, timing);
  ASSERT_FALSE(hello);
  EXPECT_EQ(hello.error().cause, FailureCause::Silent);
  EXPECT_EQ(hello.error().phase, LinkPhase::Hello);
  const auto reply = WaitReply(port_, observer_, 1000000, timing);
  EXPECT_EQ(reply.error().cause, FailureCause::Silent);
}

TEST_F(BarePty, ASecondOpenOfTheSameDeviceIsRefusedAsBusy) {
  PosixComPort second;
  const auto refused = second.OpenComPort(device_);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().cause, FailureCause::OpenFailed);
  EXPECT_EQ(refused.error().detail, device_ + ": is in use by another program");
  port_.CloseComPort();
  EXPECT_TRUE(second.OpenComPort(device_));
}

TEST(SerialPortTest, MissingAndUnsuitableDevicesSayWhatAndWhere) {
  PosixComPort port;
  EXPECT_EQ(port.OpenComPort("/dev/tuneflash-no-such-port").error().detail,
            "/dev/tuneflash-no-such-port: does not exist");
  TempDir dir;
  WriteBytes(dir / "plain", Bytes{1});
  EXPECT_EQ(port.OpenComPort((dir / "plain").string()).error().detail,
            (dir / "plain").string() + ": is not a serial device");
  EXPECT_FALSE(port.PortOpen());
}

// A device the user may not open names the group that would let them. Root
// opens anything, so the open is made by a child that has given up root.
TEST_F(BarePty, PermissionDeniedNamesTheDeviceAndTheGroup) {
  ::chmod(device_.c_str(), 0600);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
    PosixComPort other;
    const auto refused = other.OpenComPort(device_);
    const bool named = !refused && refused.error().detail.rfind(device_ + ": permission denied", 0) == 0 &&
                       refused.error().detail.find("usermod -aG ") != std::string::npos;
    ::_exit(named ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(BarePty, StatusFramesGoOutAsTheTableSays) {
  SendStatusFrame(port_, kDownloadRequest);
  EXPECT_EQ(BoxReceives(), (Bytes{0x02, 0x0A, 0x00, 0x03}));
  SendStatusFrame(port_, kUploadRequest);
  EXPECT_EQ(BoxReceives(), (Bytes{0x02, 0x09, 0x00, 0x03}));
  SendStatusFrame(port_, kVerifySuccess);
  EXPECT_EQ(BoxReceives(), (Bytes{0x02, 0x03, 0x01, 0x03}));
  SendStatusFrame(port_, kVerifyFailed);
  EXPECT_EQ(BoxReceives(), (Bytes{0x02, 0x03, 0x00, 0x03}));
  SendNak(port_);
  EXPECT_EQ(BoxReceives(), Bytes{kNak});
}

TEST_F(BarePty, WaitReplyDropsAStrayByteAndTakesTheAckThatFollows) {
  int stage = 0;
  observer_.onPump = [&] {
    if (stage == 0) {
      BoxSends({0x41});
      stage = 1;
    } else if (stage == 1 && port_.QueuedInput() == 0) {  // the PC has read and dropped it
      BoxSends({kAck});
      stage = 2;
    }
  };
  EXPECT_EQ(*WaitReply(port_, observer_, 5000), kAck);
  EXPECT_EQ(stage, 2);
}

TEST_F(BarePty, WaitReplyGivesUpAfterItsPolls) {
  const auto reply = WaitReply(port_, observer_, 20);
  EXPECT_EQ(reply.error().cause, FailureCause::NoReply);
  EXPECT_EQ(reply.error().detail, "after 20 polls");
  EXPECT_EQ(observer_.pumps, 20);
}

TEST_F(BarePty, WaitStatusFrameMapsCodeAndSubCode) {
  BoxSends({0x02, 0x05, 0x01, 0x03});
  EXPECT_EQ(*WaitStatusFrame(port_, observer_), kEraseSuccess);
  BoxSends({0x02, 0x05, 0x00, 0x03});
  EXPECT_EQ(*WaitStatusFrame(port_, observer_), kEraseFailed);
  BoxSends({0x02, 0x07, 0x00, 0x03});
  EXPECT_EQ(*WaitStatusFrame(port_, observer_), -1);
  BoxSends({0x41, 0x01, 0x00, 0x03});  // not a frame start: dropped, the wait goes on
  observer_.onPump = [&] {
    if (port_.QueuedInput() == 0) {
      observer_.onPump = nullptr;
      BoxSends({0x02, 0x01, 0x00, 0x03});
    }
  };
  EXPECT_TRUE(ConnectBox(port_, observer_));
}

TEST_F(BarePty, ClosingThePortEndsTheWaitForHelloWithoutConnectFailed) {
  observer_.onPump = [&] {
    if (observer_.pumps == 5) port_.CloseComPort();
  };
  const auto result = RunStartLoop(
      port_, observer_, [] { return LinkOk(); }, StartLoopOptions{});
  EXPECT_TRUE(result.stoppedByUser);
  EXPECT_FALSE(result.lastSucceeded);
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"reset", "status Connectting...", "controls on"}));
}

TEST_F(BarePty, AnotherFirstStatusFrameIsConnectFailedThenUpdateFailed) {
  BoxSends({0x02, 0x04, 0x00, 0x03});
  const auto result = RunStartLoop(
      port_, observer_, [] { return LinkOk(); }, StartLoopOptions{});
  EXPECT_FALSE(result.stoppedByUser);
  ASSERT_EQ(observer_.failures.size(), 1u);
  EXPECT_EQ(observer_.failures[0].cause, FailureCause::ConnectFailed);
  EXPECT_EQ(observer_.Only("status"),
            (std::vector<std::string>{"Connectting...", "Connect failed!", "Update failed!"}));
}

}  // namespace
}  // namespace tuneflash::testing
