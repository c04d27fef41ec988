#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/lib/discover.h"

namespace vantrel::cli {
namespace {

using Address = std::array<std::uint8_t, 4>;

TEST(Subnets, AreReadAsAddressAndPrefixOrRefused) {
  EXPECT_EQ(std::get<Ipv4Subnet>(ParseSubnet("192.168.1.0/24")),
            (Ipv4Subnet{{192, 168, 1, 0}, 24}));
  EXPECT_EQ(std::get<Ipv4Subnet>(ParseSubnet("10.0.0.7")), (Ipv4Subnet{{10, 0, 0, 7}, 32}));
  for (const char* wrong : {"192.168.1/24", "192.168.1.0/33", "192.168.1.0/", "1.2.3.4.5",
                            "256.1.1.1", "a.b.c.d", "1.2.3.4/-1", ""})
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseSubnet(wrong))) << wrong;
}

TEST(Subnets, GiveTheirHostsOnceWithoutNetworkAndBroadcastAddresses) {
  const std::vector<Address> slash24 = HostsOf({{{192, 168, 1, 77}, 24}});
  ASSERT_EQ(slash24.size(), 254u);
  EXPECT_EQ(slash24.front(), (Address{192, 168, 1, 1}));
  EXPECT_EQ(slash24.back(), (Address{192, 168, 1, 254}));
  EXPECT_EQ(HostsOf({{{10, 0, 0, 4}, 31}}), (std::vector<Address>{{10, 0, 0, 4}, {10, 0, 0, 5}}));
  EXPECT_EQ(HostsOf({{{10, 0, 0, 4}, 30}}), (std::vector<Address>{{10, 0, 0, 5}, {10, 0, 0, 6}}));
  // Overlapping subnets: each host once, in address order.
  EXPECT_EQ(HostsOf({{{10, 0, 0, 9}, 32}, {{10, 0, 0, 8}, 30}}),
            (std::vector<Address>{{10, 0, 0, 9}, {10, 0, 0, 10}}));
  // A machine on a /16 sweeps the /24 around its own address.
  EXPECT_EQ(SweptPart({{172, 16, 5, 9}, 16}), (Ipv4Subnet{{172, 16, 5, 9}, 24}));
  EXPECT_EQ(SweptPart({{172, 16, 5, 9}, 28}), (Ipv4Subnet{{172, 16, 5, 9}, 28}));
  // More than the cap is seen as more, without counting every address of a /8.
  EXPECT_GT(HostsOf({{{10, 0, 0, 0}, 8}}).size(), kMaxSweepHosts);
}

TEST(UsbIds, AreVendorColonProductInHex) {
  EXPECT_EQ(UsbIdentifierOf("04B8:0e15"), "vid_04b8&pid_0e15");
  for (const char* wrong : {"04b8-0e15", "4b8:0e15", "04b8:0e1g", "04b8:0e155"})
    EXPECT_FALSE(UsbIdentifierOf(wrong)) << wrong;
}

// On Windows SetupAPI's device path is opened: -i USB reaches the two known printers only.
TEST(Findings, OnWindowsOnlyTheKnownPrintersHaveAnInterface) {
  Findings findings;
  findings.usb = std::vector<UsbListing>{{"1", "vid_0483&pid_5720", "\\\\?\\usb#x", true},
                                         {"2", "vid_04b8&pid_0202", "\\\\?\\usb#y", true}};
  findings.serial = std::vector<SerialListing>{{"COM3", "USB-SERIAL CH340 (COM3)"}};
  const std::vector<DiscoveredEntry> entries = ListFindings(findings, {}, Platform::Windows);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].interface, "USB");
  EXPECT_EQ(entries[1].interface, "");
  EXPECT_EQ(entries[2].interface, "COM3");
  EXPECT_FALSE(entries[2].printer);
}

}  // namespace
}  // namespace vantrel::cli
