// The Win32 serial port without a box: how opening fails, and what a port
// that is not open answers. (Against a box it is tested by
// scripts/test-windows.sh, under wine.)
#include "link/win32_com_port.h"

#include <gtest/gtest.h>

#include <array>

#include "link/system_com_port.h"

namespace tuneflash::testing {
namespace {

TEST(Win32ComPortTest, OpenFailuresNameTheDeviceAndSayWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"COM199", "COM199: does not exist"},
      {"\\\\.\\NUL", "\\\\.\\NUL: is not a serial device"},
  };
  for (const auto& [device, expected] : cases) {
    Win32ComPort port;
    const auto opened = port.OpenComPort(device);
    ASSERT_FALSE(opened) << device;
    EXPECT_EQ(opened.error().cause, FailureCause::OpenFailed) << device;
    EXPECT_EQ(opened.error().detail, expected);
    EXPECT_FALSE(port.PortOpen());
  }
}

TEST(Win32ComPortTest, APortNotOpenFailsEveryPrimitiveAsClosed) {
  const auto port = MakeSystemComPort();
  std::array<std::uint8_t, 4> buffer{};
  EXPECT_EQ(port->WriteComPort(buffer).error().cause, FailureCause::PortClosed);
  EXPECT_EQ(port->ReadComPort(buffer).error().cause, FailureCause::PortClosed);
  EXPECT_EQ(port->PurgeComPort().error().cause, FailureCause::PortClosed);
  EXPECT_EQ(port->WaitForInput(4, std::chrono::milliseconds(1)).error().cause, FailureCause::PortClosed);
}

}  // namespace
}  // namespace tuneflash::testing
