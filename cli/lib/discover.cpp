#include "cli/lib/discover.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <ostream>
#include <set>
#include <system_error>
#include <thread>
#include <variant>

#include "cli/lib/command_line.h"
#include "cli/lib/exit_status.h"
#include "cli/lib/status.h"
#include "link/connections.h"
#include "link/socket_port.h"

namespace vantrel::cli {
namespace {

using std::chrono::milliseconds;
using Address = std::array<std::uint8_t, 4>;

std::uint32_t ToNumber(const Address& address) {
  return std::uint32_t{address[0]} << 24 | std::uint32_t{address[1]} << 16 |
         std::uint32_t{address[2]} << 8 | address[3];
}

Address FromNumber(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number >> 24), static_cast<std::uint8_t>(number >> 16),
          static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
}

std::uint32_t MaskOf(int prefix) {
  return prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
}

std::optional<int> Number(std::string_view text, int most) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
      value > most)
    return std::nullopt;
  return value;
}

// Connects to one port; a printer that takes the connection is asked over it, and it is closed.
std::optional<NetworkFinding> Probe(System& system, const Ipv4Endpoint& endpoint,
                                    milliseconds answerBound) {
  if (!system.StartSockets())
    return std::nullopt;
  const std::optional<SocketId> socket = system.CreateTcpSocket();
  if (!socket) {
    system.StopSockets();
    return std::nullopt;
  }
  if (!system.Connect(*socket, endpoint)) {
    system.CloseSocket(*socket);
    system.StopSockets();
    return std::nullopt;
  }
  NetworkFinding finding{endpoint, {}};
  SocketPort port(system, *socket, answerBound, false);
  finding.answer = AskPrinterStatus(port, system, {});
  return finding;
}

std::string EndpointText(const Ipv4Endpoint& endpoint) {
  std::string text = endpoint.AddressText();
  if (endpoint.port != 9100)
    text += ":" + std::to_string(endpoint.port);
  return text;
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width)
    text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

std::variant<Ipv4Subnet, std::string> ParseSubnet(std::string_view text) {
  const std::string why = "\"" + std::string(text) + "\" is not an IPv4 subnet (A.B.C.D/N)";
  Ipv4Subnet subnet;
  std::string_view address = text;
  subnet.prefix = 32;
  if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
    const std::optional<int> prefix = Number(text.substr(slash + 1), 32);
    if (!prefix)
      return why;
    subnet.prefix = *prefix;
    address = text.substr(0, slash);
  }
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t dot = address.find('.');
    if ((i < 3) == (dot == std::string_view::npos))
      return why;  // three dots, no more, no fewer
    const std::optional<int> octet = Number(address.substr(0, dot), 255);
    if (!octet)
      return why;
    subnet.address[i] = static_cast<std::uint8_t>(*octet);
    address = i < 3 ? address.substr(dot + 1) : std::string_view();
  }
  return subnet;
}

Ipv4Subnet SweptPart(const Ipv4Subnet& own) {
  Ipv4Subnet part = own;
  part.prefix = std::max(own.prefix, 24);
  return part;
}

std::vector<Address> HostsOf(const std::vector<Ipv4Subnet>& subnets) {
  std::set<std::uint32_t> hosts;
  for (const Ipv4Subnet& subnet : subnets) {
    const std::uint32_t mask = MaskOf(subnet.prefix);
    const std::uint32_t first = ToNumber(subnet.address) & mask;
    const std::uint32_t last = first | ~mask;
    const bool ends = subnet.prefix <= 30;  // network and broadcast addresses are no hosts
    for (std::uint64_t at = first + (ends ? 1 : 0); at + (ends ? 1 : 0) <= last; ++at) {
      hosts.insert(static_cast<std::uint32_t>(at));
      if (hosts.size() > kMaxSweepHosts)
        break;
    }
  }
  std::vector<Address> addresses;
  for (const std::uint32_t host : hosts)
    addresses.push_back(FromNumber(host));
  return addresses;
}

std::vector<NetworkFinding> SweepNetwork(const std::vector<Address>& hosts,
                                         const std::vector<std::uint16_t>& ports,
                                         const SweepSystemMaker& makeSystem,
                                         const SweepLimits& limits) {
  std::vector<Ipv4Endpoint> targets;
  for (const Address& host : hosts) {
    for (const std::uint16_t port : ports)
      targets.push_back({host, port});
  }
  std::vector<std::optional<NetworkFinding>> found(targets.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    const std::unique_ptr<System> system = makeSystem(limits.connectBound);
    for (std::size_t i = next++; i < targets.size(); i = next++)
      found[i] = Probe(*system, targets[i], limits.answerBound);
  };
  std::vector<std::thread> workers;
  const std::size_t wanted = std::min(limits.workers, targets.size());
  for (std::size_t i = 1; i < wanted; ++i) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // a task limit: fewer at once
    }
  }
  work();
  for (std::thread& worker : workers)
    worker.join();
  std::vector<NetworkFinding> findings;
  for (std::optional<NetworkFinding>& finding : found) {
    if (finding)
      findings.push_back(std::move(*finding));
  }
  return findings;
}

std::optional<std::string> UsbIdentifierOf(std::string_view vidPid) {
  if (vidPid.size() != 9 || vidPid[4] != ':')
    return std::nullopt;
  std::string identifier = "vid_";
  for (std::size_t i = 0; i < vidPid.size(); ++i) {
    if (i == 4) {
      identifier += "&pid_";
      continue;
    }
    const char c = vidPid[i];
    if (c >= '0' && c <= '9')
      identifier += c;
    else if (c >= 'a' && c <= 'f')
      identifier += c;
    else if (c >= 'A' && c <= 'F')
      identifier += static_cast<char>(c - 'A' + 'a');
    else
      return std::nullopt;
  }
  return identifier;
}

std::vector<DiscoveredEntry> ListFindings(const Findings& findings,
                                          const std::vector<std::string>& extraUsbIds,
                                          Platform platform) {
  std::vector<DiscoveredEntry> entries;
  for (const NetworkFinding& finding : findings.network) {
    DiscoveredEntry entry;
    entry.link = "network";
    entry.interface = EndpointText(finding.endpoint);
    entry.state = StateName(StateOf(finding.answer.status));
    if (finding.answer.status)
      entry.identity = finding.answer.status->identity;
    entry.details = StatusLine(finding.answer);
    entry.printer = true;
    entry.answer = finding.answer;
    entries.push_back(std::move(entry));
  }
  if (findings.usb) {
    for (const UsbListing& device : *findings.usb) {
      std::string kind(KnownPrinterKind(device.identifier));
      const bool added =
          std::find(extraUsbIds.begin(), extraUsbIds.end(), device.identifier) != extraUsbIds.end();
      if (kind.empty() && device.printerClass)
        kind = "USB printer class";
      if (kind.empty() && added)
        kind = "added by --usb-id";
      if (kind.empty())
        continue;
      DiscoveredEntry entry;
      entry.link = "usb";
      entry.state = "not asked";
      entry.printer = true;
      entry.details = device.identifier + " " + device.name + " (" + kind + ")";
      const bool known = !KnownPrinterKind(device.identifier).empty();
      if (platform == Platform::Windows) {
        if (known)
          entry.interface = "USB";
        else
          entry.details += ": -i USB reaches only " + std::string(kAnsweringUsbPrinterId) +
                           " and " + std::string(kWriteOnlyUsbPrinterId);
      } else if (device.printerNode) {
        entry.interface = *device.printerNode;
        entry.details += ": it must be writable for you (the lp group)";
      } else {
        entry.details += ": no printer node: " + std::string(NoPrinterNodeFix());
      }
      entries.push_back(std::move(entry));
    }
  }
  if (findings.serial) {
    for (const SerialListing& port : *findings.serial) {
      DiscoveredEntry entry;
      entry.link = "serial";
      entry.interface = port.port;
      entry.state = "not asked";
      entry.details = port.description;
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

CLI::App* AddDiscoverCommand(CLI::App& app, DiscoverOptions& options) {
  CLI::App* discover = app.add_subcommand(
      "discover",
      "list every printer this machine reaches: USB printers, serial lines and network printers "
      "(a sweep of port 9100 over the machine's own subnets), each with its --interface value");
  discover
      ->add_option("--net", options.nets,
                   "sweep this IPv4 subnet (A.B.C.D/N, at most 4096 addresses in all) instead "
                   "of the machine's own; repeatable")
      ->type_name("CIDR");
  discover->add_option("--port", options.ports, "a TCP port to try besides 9100; repeatable")
      ->check(CLI::Range(1, 65535));
  discover
      ->add_option("--usb-id", options.usbIds,
                   "also list the USB device with this vendor and product; repeatable")
      ->type_name("VID:PID");
  discover->add_flag("--no-network", options.noNetwork, "list USB and serial only; no sweep");
  discover->add_flag("--json", options.json, "one JSON object per printer or line");
  return discover;
}

namespace {

// What discover sweeps and lists, from its options and the machine's own subnets.
struct DiscoverPlan {
  std::vector<std::string> usbIds;
  std::vector<Address> hosts;
  std::vector<std::string> notes;
};

// The plan, or the exit status once the bad option is told.
std::variant<DiscoverPlan, int> PlanDiscovery(const DiscoverOptions& options, Machine& machine) {
  DiscoverPlan plan;
  for (const std::string& text : options.usbIds) {
    const std::optional<std::string> identifier = UsbIdentifierOf(text);
    if (!identifier) {
      machine.err << "vantrel: --usb-id: \"" << text
                  << "\" is not a USB ID (four hex digits, a colon, four hex digits)\n";
      return static_cast<int>(ExitStatus::BadUsage);
    }
    plan.usbIds.push_back(*identifier);
  }
  std::vector<Ipv4Subnet> subnets;
  for (const std::string& text : options.nets) {
    auto parsed = ParseSubnet(text);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
      machine.err << "vantrel: --net: " << *why << "\n";
      return static_cast<int>(ExitStatus::BadUsage);
    }
    subnets.push_back(std::get<Ipv4Subnet>(parsed));
  }
  if (subnets.empty() && !options.noNetwork) {
    const std::vector<Ipv4Subnet> own =
        machine.ownSubnets ? machine.ownSubnets() : std::vector<Ipv4Subnet>{};
    for (const Ipv4Subnet& subnet : own) {
      if (subnet.address[0] != 127)
        subnets.push_back(SweptPart(subnet));
    }
    if (subnets.empty())
      plan.notes.push_back("no IPv4 subnet of this machine's own to sweep (give one with --net)");
  }
  plan.hosts = options.noNetwork ? std::vector<Address>{} : HostsOf(subnets);
  if (plan.hosts.size() > kMaxSweepHosts) {
    machine.err << "vantrel: --net: more than " << kMaxSweepHosts
                << " addresses; sweep smaller subnets\n";
    return static_cast<int>(ExitStatus::BadUsage);
  }
  return plan;
}

// The USB devices, the serial lines and the printers that answer on the swept hosts.
Findings Find(const DiscoverOptions& options, DiscoverPlan& plan, Machine& machine) {
  Findings findings;
  findings.usb = machine.listUsb ? machine.listUsb() : std::nullopt;
  if (!findings.usb)
    plan.notes.push_back(
        std::string(machine.platform == Platform::Windows
                        ? "the USB device list could not be read (SetupAPI gave no "
                          "device set)"
                        : "the USB device list could not be read (is /sys mounted?)"));
  findings.serial = machine.listSerial ? machine.listSerial() : std::nullopt;
  if (!findings.serial)
    plan.notes.push_back("the serial lines could not be listed");
  std::vector<std::uint16_t> ports{9100};
  for (const int port : options.ports) {
    if (std::find(ports.begin(), ports.end(), port) == ports.end())
      ports.push_back(static_cast<std::uint16_t>(port));
  }
  findings.network = SweepNetwork(
      plan.hosts, ports,
      [&machine](milliseconds bound) {
        LinkSetup setup;
        setup.connectTimeout = bound;
        return machine.makeSystem(setup);
      },
      SweepLimits{});
  return findings;
}

void PrintDiscoveryJson(const std::vector<DiscoveredEntry>& entries, ExitStatus status,
                        const DiscoverPlan& plan, Machine& machine) {
  nlohmann::json list = nlohmann::json::array();
  for (const DiscoveredEntry& entry : entries) {
    nlohmann::json item{
        {"link", entry.link},
        {"interface", entry.interface},
        {"printer", entry.printer},
        {"state", entry.state},
        {"identity", entry.identity ? nlohmann::json(*entry.identity) : nlohmann::json(nullptr)},
        {"details", entry.details}};
    nlohmann::json answer;
    if (entry.answer)
      AddStatusJson(answer, *entry.answer);
    item["status"] = entry.answer ? answer : nlohmann::json(nullptr);
    list.push_back(std::move(item));
  }
  machine.out << nlohmann::json{{"status", static_cast<int>(status)},
                                {"swept", plan.hosts.size()},
                                {"notes", plan.notes},
                                {"printers", list}}
                     .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
              << "\n";
}

void PrintDiscoveryTable(const std::vector<DiscoveredEntry>& entries, bool any,
                         const DiscoverPlan& plan, Machine& machine) {
  if (!entries.empty()) {
    machine.out << Padded("LINK", 9) << Padded("INTERFACE", 24) << Padded("STATE", 17)
                << "DETAILS\n";
  }
  for (const DiscoveredEntry& entry : entries) {
    machine.out << Padded(entry.link, 9)
                << Padded(entry.interface.empty() ? "-" : entry.interface, 24)
                << Padded(entry.state, 17) << entry.details << "\n";
  }
  for (const std::string& note : plan.notes)
    machine.err << "vantrel: " << note << "\n";
  machine.out << (any ? "" : "No printer found. ") << plan.hosts.size()
              << " network addresses swept.\n";
}

}  // namespace

int RunDiscover(const DiscoverOptions& options, Machine& machine) {
  auto planned = PlanDiscovery(options, machine);
  if (const int* status = std::get_if<int>(&planned))
    return *status;
  DiscoverPlan& plan = std::get<DiscoverPlan>(planned);
  const Findings findings = Find(options, plan, machine);
  const std::vector<DiscoveredEntry> entries =
      ListFindings(findings, plan.usbIds, machine.platform);
  const bool any = std::any_of(entries.begin(), entries.end(),
                               [](const DiscoveredEntry& entry) { return entry.printer; });
  const ExitStatus status = any ? ExitStatus::Ok : ExitStatus::NothingFound;
  if (options.json)
    PrintDiscoveryJson(entries, status, plan, machine);
  else
    PrintDiscoveryTable(entries, any, plan, machine);
  return static_cast<int>(status);
}

}  // namespace vantrel::cli
