#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/lib/discover.h"

namespace vantrel::win32 {

// The COM ports of SetupAPI's ports class that are present, each with its friendly name;
// nothing when the class's device set cannot be obtained.
std::optional<std::vector<cli::SerialListing>> ListComPorts();

// "vid_04b8&pid_0202" of every present device that offers the USB printer interface.
std::set<std::string> UsbPrinterClassIds();

// The IPv4 subnets of the interfaces that are up, loopback left out (Winsock's interface list).
std::vector<cli::Ipv4Subnet> OwnSubnets();

}  // namespace vantrel::win32
