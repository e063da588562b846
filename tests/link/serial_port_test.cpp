// The serial primitives and the waits on a bare pseudo-terminal: the test
// holds the master side and plays the box byte by byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
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
    ASSERT_TRUE(port_.OpenComPort(device_)) << port_.LastError();
  }
  void TearDown() override {
    port_.CloseComPort();
    ::close(master_);
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
  EXPECT_EQ(port_.ReadComPort(four), -1);
  EXPECT_EQ(port_.QueuedInput(), 3);  // too few stay queued
  BoxSends({4, 5}, 5);
  EXPECT_EQ(port_.ReadComPort(four), -1);
  EXPECT_EQ(port_.QueuedInput(), 0);  // too many are thrown away, the expected ones with them
  BoxSends({9, 8, 7, 6});
  EXPECT_EQ(port_.ReadComPort(four), 4);
  EXPECT_EQ(four, (std::array<std::uint8_t, 4>{9, 8, 7, 6}));
}

TEST_F(BarePty, EveryWritePurgesWhatTheBoxSentFirst) {
  BoxSends({0x06, 0x02});
  const std::array<std::uint8_t, 1> ack{kAck};
  EXPECT_EQ(port_.WriteComPort(ack), 1);
  EXPECT_EQ(port_.QueuedInput(), 0);
  EXPECT_EQ(BoxReceives(), Bytes{kAck});
}

TEST_F(BarePty, FramesAbove2048BytesAreRefusedButStillPurge) {
  BoxSends({1});
  const Bytes big(2049, 0x55);
  EXPECT_EQ(port_.WriteComPort(big), -1);
  EXPECT_EQ(port_.QueuedInput(), 0);
  EXPECT_TRUE(BoxReceives().empty());
  Bytes dest(2049);
  EXPECT_EQ(port_.ReadComPort(dest), -1);
  const Bytes largest(2048, 0x55);
  EXPECT_EQ(port_.WriteComPort(largest), 2048);
  EXPECT_EQ(BoxReceives(), largest);
}

TEST_F(BarePty, AfterACloseEveryPrimitiveFails) {
  bool lamp = true;
  port_.SetStateListener([&](bool open) { lamp = open; });
  port_.CloseComPort();
  EXPECT_FALSE(lamp);
  EXPECT_FALSE(port_.PortOpen());
  std::array<std::uint8_t, 1> byte{kAck};
  EXPECT_EQ(port_.WriteComPort(byte), -1);
  EXPECT_EQ(port_.ReadComPort(byte), -1);
  EXPECT_TRUE(port_.PurgeComPort());
  EXPECT_TRUE(SendAck(port_));
  EXPECT_EQ(WaitReply(port_, observer_, 5000), 0);
  EXPECT_EQ(WaitStatusFrame(port_, observer_), -1);
  EXPECT_FALSE(ConnectBox(port_, observer_));
}

TEST_F(BarePty, ASecondOpenOfTheSameDeviceIsRefusedAsBusy) {
  PosixComPort second;
  EXPECT_FALSE(second.OpenComPort(device_));
  EXPECT_NE(second.LastError().find(device_), std::string::npos);
  EXPECT_NE(second.LastError().find("busy"), std::string::npos);
  port_.CloseComPort();
  EXPECT_TRUE(second.OpenComPort(device_)) << second.LastError();
}

TEST(SerialPortTest, MissingAndUnsuitableDevicesSayWhatAndWhere) {
  PosixComPort port;
  EXPECT_FALSE(port.OpenComPort("/dev/tuneflash-no-such-port"));
  EXPECT_EQ(port.LastError(), "/dev/tuneflash-no-such-port: no such device");
  TempDir dir;
  WriteBytes(dir / "plain", Bytes{1});
  EXPECT_FALSE(port.OpenComPort((dir / "plain").string()));
  EXPECT_NE(port.LastError().find("not a serial device"), std::string::npos);
  EXPECT_FALSE(port.PortOpen());
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
  EXPECT_EQ(WaitReply(port_, observer_, 5000), kAck);
  EXPECT_EQ(stage, 2);
}

TEST_F(BarePty, WaitReplyGivesUpAfterItsPolls) {
  EXPECT_EQ(WaitReply(port_, observer_, 20), 0);
  EXPECT_EQ(observer_.pumps, 20);
}

TEST_F(BarePty, WaitStatusFrameMapsCodeAndSubCode) {
  BoxSends({0x02, 0x05, 0x01, 0x03});
  EXPECT_EQ(WaitStatusFrame(port_, observer_), kEraseSuccess);
  BoxSends({0x02, 0x05, 0x00, 0x03});
  EXPECT_EQ(WaitStatusFrame(port_, observer_), kEraseFailed);
  BoxSends({0x02, 0x07, 0x00, 0x03});
  EXPECT_EQ(WaitStatusFrame(port_, observer_), -1);
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
      port_, observer_, [] { return true; }, StartLoopOptions{});
  EXPECT_TRUE(result.stoppedByUser);
  EXPECT_FALSE(result.lastSucceeded);
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"reset", "status Connectting...", "controls on"}));
}

TEST_F(BarePty, AnotherFirstStatusFrameIsConnectFailedThenUpdateFailed) {
  BoxSends({0x02, 0x04, 0x00, 0x03});
  const auto result = RunStartLoop(
      port_, observer_, [] { return true; }, StartLoopOptions{});
  EXPECT_FALSE(result.stoppedByUser);
  EXPECT_EQ(observer_.Only("status"),
            (std::vector<std::string>{"Connectting...", "Connect failed!", "Update failed!"}));
}

}  // namespace
}  // namespace tuneflash::testing
