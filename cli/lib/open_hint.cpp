#include "cli/lib/open_hint.h"

#include <string_view>

#include "link/connections.h"

namespace vantrel::cli {
namespace {

enum class NodeKind { SerialLine, PrinterNode, UsbPrinter };

NodeKind KindOf(const FailedOpen& failure, InterfaceType chosen) {
  if (chosen == kUsbInterface)
    return NodeKind::UsbPrinter;
  const std::string_view path = failure.path;
  if (path.starts_with("/dev/usb/lp"))
    return NodeKind::UsbPrinter;
  if (chosen == kParallelInterface || path.starts_with("/dev/lp"))
    return NodeKind::PrinterNode;
  return NodeKind::SerialLine;
}

// "vid_0483&pid_5720" as lsusb shows it: "0483:5720".
std::string UsbId(std::string_view identifier) {
  return std::string(identifier.substr(4, 4)) + ":" + std::string(identifier.substr(13, 4));
}

std::string JoinGroup(std::string_view group) {
  return "add yourself to it (sudo usermod -aG " + std::string(group) +
         " \"$USER\") and log in again";
}

}  // namespace

std::string OpenFailureHint(const FailedOpen& failure, InterfaceType chosen) {
  const NodeKind kind = KindOf(failure, chosen);
  if (failure.error == OpenError::Busy) {
    return failure.path + " is busy: another program holds it open (" +
           (kind == NodeKind::SerialLine ? "serial lines are opened exclusively"
                                         : "a printer node takes one program at a time") +
           "); close that program and try again";
  }
  if (failure.error == OpenError::NotADevice) {
    return failure.path + " is not a device: -i takes a serial line (/dev/ttyUSB0) or a " +
           "printer node (/dev/usb/lp0), and writes to nothing else";
  }
  if (failure.error != OpenError::PermissionDenied)
    return "";
  const std::string denied = "permission denied on " + failure.path + ": ";
  switch (kind) {
    case NodeKind::SerialLine:
      return denied + "serial lines belong to the group dialout; " + JoinGroup("dialout");
    case NodeKind::PrinterNode:
      return denied + "printer nodes belong to the group lp; " + JoinGroup("lp");
    case NodeKind::UsbPrinter:
      return denied + "the vantrel package's udev rule (70-vantrel.rules) gives the user at the " +
             "seat and the group lp access to the two USB printers (" +
             UsbId(kAnsweringUsbPrinterId) + " and " + UsbId(kWriteOnlyUsbPrinterId) +
             "): install the package and plug the printer in again, or " + JoinGroup("lp");
  }
  return "";
}

}  // namespace vantrel::cli
