#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/lib/platform.h"

namespace vantrel::cli {

// A USB device as the platform's discovery found it.
struct UsbListing {
  std::string name;        // where it sits ("1-1.2")
  std::string identifier;  // "vid_0483&pid_5720"
  std::optional<std::string> printerNode;
  bool printerClass = false;  // one of its interfaces is of the USB printer class
};

// What to do when the kernel made no printer node for a USB printer.
std::string_view NoPrinterNodeFix();

// "printer" and "printer, write-only" for the two printers the tool knows; empty for others.
std::string_view KnownPrinterKind(const std::string& identifier);

// `vantrel list-usb`: every device, the two printers marked, with what to do when the kernel
// made no printer node for one of them.
std::string DescribeUsbDevices(const std::optional<std::vector<UsbListing>>& devices,
                               Platform platform = Platform::Posix);

// Why a USB open failed, in plain words with the fix; empty when nothing more can be said.
// On Windows SetupAPI's device path is what is opened, so there is always one.
std::string UsbOpenHint(const std::optional<std::vector<UsbListing>>& devices,
                        Platform platform = Platform::Posix);

}  // namespace vantrel::cli
