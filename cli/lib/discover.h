#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/lib/platform.h"
#include "cli/lib/usb_listing.h"
#include "link/system.h"
#include "protocol/printer_status.h"

namespace CLI {
class App;
}

namespace vantrel::cli {

struct Machine;

// --- The network sweep ---

// An IPv4 subnet: an address in it and the length of its prefix.
struct Ipv4Subnet {
  std::array<std::uint8_t, 4> address{};
  int prefix = 24;
  bool operator==(const Ipv4Subnet&) const = default;
};

// "192.168.1.0/24" (a bare address is /32); why not, in words.
std::variant<Ipv4Subnet, std::string> ParseSubnet(std::string_view text);

// The part of one of the machine's own subnets that is swept: the subnet itself, or the /24
// around the machine's address when the subnet is wider (a /16 would be 65534 connects).
Ipv4Subnet SweptPart(const Ipv4Subnet& own);

// The most addresses one discovery connects to: a /20.
inline constexpr std::size_t kMaxSweepHosts = 4096;

// Every host address of the subnets, each once, in order: without the network and broadcast
// addresses of a subnet of 4 addresses or more.
std::vector<std::array<std::uint8_t, 4>> HostsOf(const std::vector<Ipv4Subnet>& subnets);

// How a sweep runs: connects at most `workers` at a time, each given up after connectBound; a
// found printer is asked its state with answers waited for answerBound each.
struct SweepLimits {
  std::size_t workers = 64;
  std::chrono::milliseconds connectBound{300};
  std::chrono::milliseconds answerBound{500};
};

// A port that took the connection, and what the printer behind it answered.
struct NetworkFinding {
  Ipv4Endpoint endpoint;
  StatusAnswer answer;
};

// Makes the system one worker connects through, with the connect bound given.
using SweepSystemMaker = std::function<std::unique_ptr<System>(std::chrono::milliseconds)>;

// Tries every port of every host, asks each that takes the connection for its status and
// identity over that one connection, and closes it at once (a printer that takes one client at
// a time is held no longer than that). Findings in address order.
std::vector<NetworkFinding> SweepNetwork(const std::vector<std::array<std::uint8_t, 4>>& hosts,
                                         const std::vector<std::uint16_t>& ports,
                                         const SweepSystemMaker& makeSystem,
                                         const SweepLimits& limits);

// --- Everything found, in one list ---

// A serial line as the platform lists it: its node or port name and the adapter's name.
struct SerialListing {
  std::string port;  // /dev/ttyUSB0, COM3
  std::string description;
};

// One row of the list: a printer, or a line a printer may be on.
struct DiscoveredEntry {
  std::string link;       // "network", "usb", "serial"
  std::string interface;  // what --interface takes to reach it; empty when nothing does
  std::string state;      // StateName for a network printer; "listed" for a line not asked
  std::optional<std::string> identity;
  std::string details;   // the USB ID, the adapter's name, the conditions, a hint
  bool printer = false;  // a printer: counted for the exit status (a serial line is not asked)
  std::optional<StatusAnswer> answer;
};

struct Findings {
  std::optional<std::vector<UsbListing>> usb;
  std::optional<std::vector<SerialListing>> serial;
  std::vector<NetworkFinding> network;
};

// "vid_0483&pid_5720" from "0483:5720"; nothing for anything else.
std::optional<std::string> UsbIdentifierOf(std::string_view vidPid);

// The rows: network printers, then USB devices (the two known printers, any of the printer
// class, and `extraUsbIds`), then serial lines.
std::vector<DiscoveredEntry> ListFindings(const Findings& findings,
                                          const std::vector<std::string>& extraUsbIds,
                                          Platform platform);

// --- The command ---

struct DiscoverOptions {
  std::vector<std::string> nets;
  std::vector<int> ports;  // tried besides 9100
  std::vector<std::string> usbIds;
  bool json = false;
  bool noNetwork = false;
};

// Adds `discover` with its options to the program's command table.
CLI::App* AddDiscoverCommand(CLI::App& app, DiscoverOptions& options);

// Runs it: lists, sweeps, prints; the exit status (0 when a printer was found).
int RunDiscover(const DiscoverOptions& options, Machine& machine);

}  // namespace vantrel::cli
