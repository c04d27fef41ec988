#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/system.h"

namespace vantrel {

// Where the links of a POSIX machine are, beyond what every platform's options say.
struct PosixLinkOptions {
  SystemOptions system;
  // The kernel's device tree and device folder, for USB discovery (tests use fake trees).
  std::filesystem::path sysfsRoot = "/sys";
  std::filesystem::path devRoot = "/dev";
};

// The parallel port when the options name none.
inline constexpr std::string_view kDefaultParallelPath = "/dev/lp0";

// The device a serial port name opens: "COMn" is /dev/ttyS(n-1) ("COM1" to "COM10" are
// /dev/ttyS0 to /dev/ttyS9); a device path is used as it is.
std::string PosixSerialDevice(std::string_view port);

// The operating system of a POSIX machine for the connections, with its device trees.
std::unique_ptr<System> CreatePosixSystem(PosixLinkOptions options);

// --- USB printers in the kernel's device tree ---

struct UsbDeviceEntry {
  std::string name;        // the device's name in the tree ("1-1.2")
  std::string identifier;  // "vid_0483&pid_5720": vendor and product, lower-case hex
  UsbId id;                // the same, as numbers
  // The printer node the kernel made for it (/dev/usb/lp0), nothing when it has none.
  std::optional<std::string> printerNode;
  // One of its interfaces is of the USB printer class.
  bool printerClass = false;
};

// Every USB device under sysfsRoot/bus/usb/devices, ordered by name. Nothing when that folder
// cannot be read.
std::optional<std::vector<UsbDeviceEntry>> ListUsbDevices(const std::filesystem::path& sysfsRoot,
                                                          const std::filesystem::path& devRoot);

// The device as the System lists it: its printer node as its path (empty when it has none).
UsbDevice ListedUsbDevice(const UsbDeviceEntry& entry);

// --- Serial lines in the kernel's device tree ---

struct SerialPortEntry {
  std::string path;         // the node: /dev/ttyUSB0, /dev/ttyS0
  std::string description;  // the adapter's name from /dev/serial/by-id, or the driver's kind
};

// The serial lines that exist: /dev/ttyS* with a UART behind them (a type other than 0),
// /dev/ttyUSB* and /dev/ttyACM*, each with the name under devRoot/serial/by-id that leads to it.
// Ordered by path; nothing when sysfsRoot/class/tty cannot be read.
std::optional<std::vector<SerialPortEntry>> ListSerialPorts(const std::filesystem::path& sysfsRoot,
                                                            const std::filesystem::path& devRoot);

}  // namespace vantrel
