#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel::cli {

// A USB device as the platform's discovery found it.
struct UsbListing {
  std::string name;        // where it sits ("1-1.2")
  std::string identifier;  // "vid_0483&pid_5720"
  std::optional<std::string> printerNode;
};

// `vantrel list-usb`: every device, the two printers marked, with what to do when the kernel
// made no printer node for one of them.
std::string DescribeUsbDevices(const std::optional<std::vector<UsbListing>>& devices);

// Why a USB open failed, in plain words with the fix; empty when nothing more can be said.
std::string UsbOpenHint(const std::optional<std::vector<UsbListing>>& devices);

}  // namespace vantrel::cli
