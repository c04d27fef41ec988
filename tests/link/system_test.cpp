#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "link/system.h"
#include "tests/support/param_name.h"
#include "tests/support/print_case.h"

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
  EXPECT_EQ(SystemArpPath(GetParam().systemDirectory), GetParam().program);
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
  EXPECT_EQ(kArpVerb, "open");
  EXPECT_EQ(kArpParameters, "-d");
}

TEST(Ipv4Endpoint, FormatsTheDottedAddress) {
  EXPECT_EQ((Ipv4Endpoint{{192, 168, 1, 114}, 9100}).AddressText(), "192.168.1.114");
  EXPECT_EQ((Ipv4Endpoint{{0, 0, 0, 0}, 0}).AddressText(), "0.0.0.0");
  EXPECT_EQ((Ipv4Endpoint{{255, 255, 255, 255}, 1}).AddressText(), "255.255.255.255");
}

}  // namespace
}  // namespace vantrel
