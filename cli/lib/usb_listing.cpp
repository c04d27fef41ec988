#include "cli/lib/usb_listing.h"

#include "link/connections.h"

namespace vantrel::cli {
namespace {

constexpr std::string_view kNoNodeFix =
    "the kernel made no printer node for it; load the USB printer driver (sudo modprobe usblp) "
    "and plug the printer in again";

std::string_view PrinterKind(const std::string& identifier) {
  if (identifier == kAnsweringUsbPrinterId)
    return "printer";
  if (identifier == kWriteOnlyUsbPrinterId)
    return "printer, write-only";
  return "";
}

}  // namespace

std::string_view NoPrinterNodeFix() {
  return kNoNodeFix;
}

std::string_view KnownPrinterKind(const std::string& identifier) {
  return PrinterKind(identifier);
}

std::string DescribeUsbDevices(const std::optional<std::vector<UsbListing>>& devices,
                               Platform platform) {
  if (!devices) {
    return platform == Platform::Windows
               ? "The USB device list could not be read (SetupAPI gave no device set).\n"
               : "The USB device list could not be read (is /sys mounted?).\n";
  }
  std::string text;
  bool printer = false;
  for (const UsbListing& device : *devices) {
    const std::string_view kind = PrinterKind(device.identifier);
    text += device.name + "  " + device.identifier;
    if (!kind.empty()) {
      printer = true;
      text += "  (" + std::string(kind) + ")  ";
      text +=
          device.printerNode ? *device.printerNode : "no printer node: " + std::string(kNoNodeFix);
    }
    text += "\n";
  }
  if (!printer) {
    text += "No printer with " + std::string(kAnsweringUsbPrinterId) + " or " +
            std::string(kWriteOnlyUsbPrinterId) + " is attached.\n";
  }
  return text;
}

std::string UsbOpenHint(const std::optional<std::vector<UsbListing>>& devices, Platform platform) {
  const bool windows = platform == Platform::Windows;
  if (!devices) {
    return windows ? "the USB device list could not be read (SetupAPI gave no device set)"
                   : "the USB device list could not be read (is /sys mounted?)";
  }
  for (const UsbListing& device : *devices) {
    if (PrinterKind(device.identifier).empty())
      continue;
    if (!device.printerNode)
      return "USB printer " + device.identifier + " (" + device.name +
             "): " + std::string(kNoNodeFix);
    if (windows)
      return *device.printerNode + " could not be opened: check that no other program holds it";
    return *device.printerNode +
           " could not be opened: check that it may be written (the lp group) and that no other "
           "program holds it";
  }
  return "no USB printer with " + std::string(kAnsweringUsbPrinterId) + " or " +
         std::string(kWriteOnlyUsbPrinterId) + " is attached (vantrel list-usb shows what is)";
}

}  // namespace vantrel::cli
