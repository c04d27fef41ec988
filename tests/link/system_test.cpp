#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "link/system.h"
#include "link/win32/device_paths.h"
#include "tests/support/param_name.h"
#include "tests/support/print_case.h"
#include "tests/support/required_only_system.h"

namespace vantrel {
namespace {

using test::PrintTo;

struct ArpCase {
  std::string name;
  std::string systemDirectory;
  std::optional<std::string> program;
};

class SystemArpPathTest : public testing::TestWithParam<ArpCase> {};

// The arp that the close sequence starts is always the system's own: a file called arp beside
// the user's bitmaps (the current directory after the file dialog) must never run.
TEST_P(SystemArpPathTest, NamesTheProgramByItsFullPath) {
  EXPECT_EQ(win32::SystemArpPath(GetParam().systemDirectory), GetParam().program);
}

INSTANTIATE_TEST_SUITE_P(
    Directories, SystemArpPathTest,
    testing::Values(
        ArpCase{"System32", "C:\\Windows\\system32", "C:\\Windows\\system32\\arp.exe"},
        ArpCase{"TrailingSeparator", "D:\\WINNT\\System32\\", "D:\\WINNT\\System32\\arp.exe"},
        ArpCase{"ForwardSlashes", "c:/windows/system32", "c:/windows/system32\\arp.exe"},
        ArpCase{"UncPath", "\\\\server\\share\\system32", "\\\\server\\share\\system32\\arp.exe"},
        // Never a bare or relative name, which the shell would look up in the current directory.
        ArpCase{"Unknown", "", std::nullopt}, ArpCase{"Relative", "system32", std::nullopt},
        ArpCase{"DriveRelative", "C:system32", std::nullopt},
        ArpCase{"RootOfCurrentDrive", "\\Windows\\system32", std::nullopt}),
    test::ParamName<ArpCase>);

TEST(SystemArp, IsStartedWithTheDropAllParameter) {
  EXPECT_EQ(win32::kArpVerb, "open");
  EXPECT_EQ(win32::kArpParameters, "-d");
}

// The interface item's text after the four characters "\\.\"; a path the user typed as it is.
TEST(Win32DevicePaths, SerialPortsAreOpenedByTheirDevicePath) {
  EXPECT_EQ(win32::SerialDevicePath("COM3"), "\\\\.\\COM3");
  EXPECT_EQ(win32::SerialDevicePath("COM10"), "\\\\.\\COM10");
  EXPECT_EQ(win32::SerialDevicePath("\\\\.\\COM12"), "\\\\.\\COM12");
  EXPECT_EQ(win32::SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(win32::kParallelDevicePath, "LPT1:");
}

// Every vendor and product a path names, whatever the case of its letters.
TEST(Win32DevicePaths, UsbIdentifiersAreReadFromThePath) {
  using Ids = std::vector<UsbId>;
  EXPECT_EQ(win32::UsbIdsOfPath("\\\\?\\usb#vid_0483&pid_5720#6&1b2c3d4&0&1#{a5dcbf10}"),
            (Ids{{0x0483, 0x5720}}));
  EXPECT_EQ(win32::UsbIdsOfPath("\\\\?\\USB#VID_067B&PID_2305#7&3C4D5E6&0&3#{A5DCBF10}"),
            (Ids{{0x067B, 0x2305}}));
  EXPECT_EQ(win32::UsbIdsOfPath("\\\\?\\usb#vid_0483&pid_5720&vid_067b&pid_2305#x"),
            (Ids{{0x0483, 0x5720}, {0x067B, 0x2305}}));
  EXPECT_EQ(win32::UsbIdsOfPath("\\\\?\\usb#vid_04g3&pid_5720#x"), Ids{});
  EXPECT_EQ(win32::UsbIdsOfPath("\\\\?\\usb#vid_0483#pid_5720"), Ids{});
  EXPECT_EQ(win32::UsbIdsOfPath("vid_0483&pid_57"), Ids{});
}

TEST(OptionalOperations, StartTheSocketsAndTellNoFailedOpen) {
  test::RequiredOnlySystem system;  // the optional operations need no body
  EXPECT_TRUE(system.StartSockets());
  system.StopSockets();
  system.ClearAddressCache();
  EXPECT_EQ(system.Receive(SocketId{1}, 1, std::chrono::milliseconds(0)), std::nullopt);
  EXPECT_EQ(system.LastFailedOpen(), std::nullopt);
}

// The USB device path as it is opened.
TEST(UsbOpenPath, ReplacesTheFirstFourCharactersOnly) {
  EXPECT_EQ(win32::UsbOpenPath("\\\\?\\usb#vid_0483&pid_5720#1"), "\\\\.\\usb#vid_0483&pid_5720#1");
  EXPECT_EQ(win32::UsbOpenPath("ab"), "\\\\");
  EXPECT_EQ(win32::UsbOpenPath(""), "");
}

TEST(Ipv4Endpoint, FormatsTheDottedAddress) {
  EXPECT_EQ((Ipv4Endpoint{{192, 168, 1, 114}, 9100}).AddressText(), "192.168.1.114");
  EXPECT_EQ((Ipv4Endpoint{{0, 0, 0, 0}, 0}).AddressText(), "0.0.0.0");
  EXPECT_EQ((Ipv4Endpoint{{255, 255, 255, 255}, 1}).AddressText(), "255.255.255.255");
}

}  // namespace
}  // namespace vantrel
