// Serial lines from the kernel's device tree: every tty has a folder under class/tty; an 8250
// port there carries its UART type (0 when no UART answered at its address), and the adapters'
// names are the links under /dev/serial/by-id.

#include <algorithm>
#include <fstream>
#include <map>
#include <system_error>

#include "link/posix/posix_system.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.rfind(prefix, 0) == 0;
}

// The node name each by-id link leads to ("ttyUSB0" ->
// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").
std::map<std::string, std::string> AdapterNames(const fs::path& devRoot) {
  std::map<std::string, std::string> names;
  std::error_code error;
  for (const fs::directory_entry& link :
       fs::directory_iterator(devRoot / "serial" / "by-id", error)) {
    std::error_code inner;
    const fs::path target = fs::read_symlink(link.path(), inner);
    if (!inner)
      names[target.filename().string()] = link.path().filename().string();
  }
  return names;
}

}  // namespace

std::optional<std::vector<SerialPortEntry>> ListSerialPorts(const fs::path& sysfsRoot,
                                                            const fs::path& devRoot) {
  std::error_code error;
  fs::directory_iterator it(sysfsRoot / "class" / "tty", error);
  if (error)
    return std::nullopt;
  const std::map<std::string, std::string> adapters = AdapterNames(devRoot);
  std::vector<SerialPortEntry> ports;
  for (const fs::directory_entry& entry : it) {
    const std::string name = entry.path().filename().string();
    std::string description;
    if (StartsWith(name, "ttyS")) {
      std::ifstream in(entry.path() / "type");
      int type = 0;
      if (!(in >> type) || type == 0)
        continue;  // no UART at that port's address
      description = "serial port";
    } else if (StartsWith(name, "ttyUSB")) {
      description = "USB serial adapter";
    } else if (StartsWith(name, "ttyACM")) {
      description = "USB modem-class serial device";
    } else {
      continue;
    }
    if (const auto adapter = adapters.find(name); adapter != adapters.end())
      description = adapter->second;
    ports.push_back({(devRoot / name).string(), description});
  }
  std::sort(ports.begin(), ports.end(),
            [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.path < b.path; });
  return ports;
}

}  // namespace vantrel
