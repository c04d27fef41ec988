// USB discovery from the kernel's device tree: each device folder under bus/usb/devices carries
// idVendor and idProduct; a printer bound to the usblp driver has a usbmisc/lpN folder in one of
// its interface folders, and the kernel names its node /dev/usb/lpN.

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

#include "link/posix/posix_system.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadHexId(const fs::path& file) {
  std::ifstream in(file);
  std::string text;
  if (!(in >> text) || text.size() != 4)
    return std::nullopt;
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
  });
  return text;
}

std::uint16_t HexValue(const std::string& text) {
  std::uint16_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return value;
}

std::optional<std::string> PrinterNodeOf(const fs::path& device, const std::string& name,
                                         const fs::path& devRoot) {
  std::error_code error;
  std::vector<std::string> nodes;
  for (const fs::directory_entry& child : fs::directory_iterator(device, error)) {
    const std::string childName = child.path().filename().string();
    if (childName.rfind(name + ":", 0) != 0)
      continue;  // not one of this device's interfaces
    std::error_code inner;
    for (const fs::directory_entry& node :
         fs::directory_iterator(child.path() / "usbmisc", inner)) {
      const std::string nodeName = node.path().filename().string();
      if (nodeName.rfind("lp", 0) == 0)
        nodes.push_back((devRoot / "usb" / nodeName).string());
    }
  }
  if (nodes.empty())
    return std::nullopt;
  std::sort(nodes.begin(), nodes.end());
  return nodes.front();
}

// Whether one of the device's interfaces is of the USB printer class (07).
bool HasPrinterInterface(const fs::path& device, const std::string& name) {
  std::error_code error;
  for (const fs::directory_entry& child : fs::directory_iterator(device, error)) {
    if (child.path().filename().string().rfind(name + ":", 0) != 0)
      continue;
    std::ifstream in(child.path() / "bInterfaceClass");
    std::string text;
    if (in >> text && text == "07")
      return true;
  }
  return false;
}

}  // namespace

std::optional<std::vector<UsbDeviceEntry>> ListUsbDevices(const fs::path& sysfsRoot,
                                                          const fs::path& devRoot) {
  const fs::path folder = sysfsRoot / "bus" / "usb" / "devices";
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error)
    return std::nullopt;
  std::vector<UsbDeviceEntry> devices;
  for (const fs::directory_entry& entry : it) {
    const std::string name = entry.path().filename().string();
    const auto vendor = ReadHexId(entry.path() / "idVendor");
    const auto product = ReadHexId(entry.path() / "idProduct");
    if (!vendor || !product)
      continue;  // an interface or a hub's port, not a device
    devices.push_back({name,
                       "vid_" + *vendor + "&pid_" + *product,
                       {HexValue(*vendor), HexValue(*product)},
                       PrinterNodeOf(entry.path(), name, devRoot),
                       HasPrinterInterface(entry.path(), name)});
  }
  std::sort(devices.begin(), devices.end(),
            [](const UsbDeviceEntry& a, const UsbDeviceEntry& b) { return a.name < b.name; });
  return devices;
}

UsbDevice ListedUsbDevice(const UsbDeviceEntry& entry) {
  return {entry.printerNode.value_or(""), {entry.id}};
}

}  // namespace vantrel
