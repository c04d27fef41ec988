#pragma once

#include <memory>

#include "link/network_link.h"
#include "link/port.h"

namespace vantrel {

// The selected index of the interface list: 0 to 9 are COM1 to COM10, then LPT1, USB, Ethernet.
using InterfaceType = int;
inline constexpr InterfaceType kLastSerialInterface = 9;
inline constexpr InterfaceType kParallelInterface = 10;
inline constexpr InterfaceType kUsbInterface = 11;
inline constexpr InterfaceType kNetworkInterface = 12;

// The dialog's connection record. A device action opens it, uses it once and releases it:
// destroying or resetting handle / socket releases that connection.
struct PrinterConnection {
  // The last OpenSelectedConnection found Ethernet selected (set even when the open then failed).
  bool isNetwork = false;
  // The open serial port, parallel port or USB printer.
  std::unique_ptr<OpenPort> handle;
  // The connected socket of the last network open.
  std::unique_ptr<NetworkLink> socket;
  // The USB printer found by the last discovery never answers; carried across actions and written
  // only when a USB discovery finds a device.
  bool usbWriteOnly = false;
};

}  // namespace vantrel
