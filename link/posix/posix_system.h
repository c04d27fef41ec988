#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/system.h"

namespace vantrel {

// Called while a large block is written: bytes handed to the link so far, and the block's size.
using WriteProgress = std::function<void(std::size_t done, std::size_t total)>;

// Where the links of a POSIX machine are and how they behave beyond what the core asks.
struct PosixLinkOptions {
  // Opened for "LPT1:".
  std::string parallelPath = "/dev/lp0";
  // The kernel's device tree and device folder, for USB discovery (tests use fake trees).
  std::filesystem::path sysfsRoot = "/sys";
  std::filesystem::path devRoot = "/dev";
  // A bound on connect; nothing blocks until the system gives up, as the dialog does.
  std::optional<std::chrono::milliseconds> connectTimeout;
  // Told about writes and sends of at least progressThreshold bytes.
  WriteProgress progress;
  std::size_t progressThreshold = 1024;
};

// The device a serial path of the core opens: "\\.\COMn" is /dev/ttyS(n-1) ("\\.\COM1" to
// "\\.\COM10" are /dev/ttyS0 to /dev/ttyS9); any other path is used as it is.
std::string PosixSerialDevice(std::string_view path);

// The operating system of a POSIX machine for the connections.
std::unique_ptr<System> CreatePosixSystem(PosixLinkOptions options);

// --- USB printers in the kernel's device tree ---

struct UsbDeviceEntry {
  std::string name;        // the device's name in the tree ("1-1.2")
  std::string identifier;  // "vid_0483&pid_5720": vendor and product, lower-case hex
  // The printer node the kernel made for it (/dev/usb/lp0), nothing when it has none.
  std::optional<std::string> printerNode;
  // One of its interfaces is of the USB printer class.
  bool printerClass = false;
};

// Every USB device under sysfsRoot/bus/usb/devices, ordered by name. Nothing when that folder
// cannot be read.
std::optional<std::vector<UsbDeviceEntry>> ListUsbDevices(const std::filesystem::path& sysfsRoot,
                                                          const std::filesystem::path& devRoot);

// The path the System lists for a device: "\\?\usb#vid_0483&pid_5720#1-1.2#/dev/usb/lp0", so the
// core's identifier match and open-path rule work unchanged; the printer node follows the last
// '#' and is empty when there is none.
std::string UsbDevicePath(const UsbDeviceEntry& entry);

// The printer node inside such a path (after the core replaced its first four characters);
// empty when the device has none.
std::string PrinterNodeOfUsbPath(std::string_view path);

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
