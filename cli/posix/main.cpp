// vantrel on a POSIX machine: binds the links, the resolver, the code-page conversion and the
// terminal to the program, which is all in the portable library.

#include <iconv.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "cli/http/http_server.h"
#include "cli/lib/command_line.h"
#include "link/posix/posix_system.h"

namespace {

using namespace vantrel;

std::optional<std::array<std::uint8_t, 4>> Resolve(std::string_view host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(std::string(host).c_str(), nullptr, &hints, &found) != 0 || !found)
    return std::nullopt;
  std::array<std::uint8_t, 4> address{};
  const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  std::memcpy(address.data(), &ipv4->sin_addr.s_addr, 4);
  ::freeaddrinfo(found);
  return address;
}

// The code page a Windows machine of that language would send the texts in.
std::optional<std::string> Encode(std::string_view utf8, UiVariant variant) {
  const char* target = variant == UiVariant::Chinese ? "GBK" : "WINDOWS-1252";
  iconv_t conversion = ::iconv_open(target, "UTF-8");
  if (conversion == reinterpret_cast<iconv_t>(-1))
    return std::nullopt;
  std::string in(utf8);
  std::string out(in.size() * 2 + 4, '\0');
  char* from = in.data();
  std::size_t fromLeft = in.size();
  char* to = out.data();
  std::size_t toLeft = out.size();
  const std::size_t done = ::iconv(conversion, &from, &fromLeft, &to, &toLeft);
  ::iconv_close(conversion);
  if (done == static_cast<std::size_t>(-1))
    return std::nullopt;
  out.resize(out.size() - toLeft);
  return out;
}

// The IPv4 subnets of the machine's interfaces that are up (loopback left out by the sweep).
std::vector<cli::Ipv4Subnet> OwnSubnets() {
  std::vector<cli::Ipv4Subnet> subnets;
  ifaddrs* all = nullptr;
  if (::getifaddrs(&all) != 0)
    return subnets;
  for (const ifaddrs* entry = all; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || !entry->ifa_netmask || entry->ifa_addr->sa_family != AF_INET ||
        (entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0)
      continue;
    cli::Ipv4Subnet subnet;
    std::memcpy(subnet.address.data(),
                &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr, 4);
    const std::uint32_t mask =
        ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr);
    subnet.prefix = std::popcount(mask);
    subnets.push_back(subnet);
  }
  ::freeifaddrs(all);
  return subnets;
}

std::filesystem::path FromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  // VANTREL_SYSFS_ROOT and VANTREL_DEV_ROOT point USB discovery at another device tree (tests).
  const std::filesystem::path sysfs = FromEnvironment("VANTREL_SYSFS_ROOT", "/sys");
  const std::filesystem::path dev = FromEnvironment("VANTREL_DEV_ROOT", "/dev");
  const std::unique_ptr<FileReader> files = CreateSystemFileReader();

  cli::Machine machine{
      [](const char* name) -> const char* { return std::getenv(name); },
      Resolve,
      Encode,
      [&](const cli::LinkSetup& setup) {
        PosixLinkOptions options;
        options.system.parallelPath = setup.parallelPath;
        options.system.connectTimeout = setup.connectTimeout;
        options.system.progress = setup.progress;
        options.sysfsRoot = sysfs;
        options.devRoot = dev;
        return CreatePosixSystem(std::move(options));
      },
      [&]() -> std::optional<std::vector<cli::UsbListing>> {
        const auto devices = ListUsbDevices(sysfs, dev);
        if (!devices)
          return std::nullopt;
        std::vector<cli::UsbListing> listing;
        for (const UsbDeviceEntry& device : *devices)
          listing.push_back(
              {device.name, device.identifier, device.printerNode, device.printerClass});
        return listing;
      },
      *files,
      ::isatty(STDERR_FILENO) == 1,
      std::cout,
      std::cerr,
      cli::Platform::Posix,
      nullptr,  // the language comes from the locale
      [&]() -> std::optional<std::vector<cli::SerialListing>> {
        const auto ports = ListSerialPorts(sysfs, dev);
        if (!ports)
          return std::nullopt;
        std::vector<cli::SerialListing> listing;
        for (const SerialPortEntry& port : *ports)
          listing.push_back({port.path, port.description});
        return listing;
      },
      OwnSubnets,
      cli::ServeHttp,
  };
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const int status = cli::RunCommandLine(arguments, machine);
  std::cout.flush();
  std::cerr.flush();
  // A fleet printer that passed its deadline may still hold a worker in a blocking call, which
  // reads this function's machine: the process ends here, without taking them down under it.
  std::_Exit(status);
}
