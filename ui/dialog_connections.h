#pragma once

#include <optional>
#include <string>

#include "base/ui_variant.h"
#include "bitmap/bitmap_actions.h"
#include "link/connections.h"
#include "link/printer_connection.h"
#include "link/system.h"
#include "ui/dialog_controls.h"
#include "ui/prompts.h"

namespace vantrel {

// The dialog's side of the openers: each reads its parameters from the controls and hands them
// to the opener of link/connections.h, keeping the dialog's connection record. Every opener
// reports its own failures to the user, in the variant's language, before it returns false.
struct ConnectionContext {
  UiVariant variant;
  DialogControls& controls;
  UserPrompts& prompts;
  System& system;
};

LinkContext LinkContextOf(const ConnectionContext& context);

// The serial port the interface item names, by the item's text ("COM10"); nothing for an index
// that is not a serial port.
std::optional<std::string> SerialPortName(UiVariant variant, InterfaceType index);

// The printer's address from the IP-address control and its port from the hidden port edit.
Ipv4Endpoint ReadPrinterEndpoint(DialogControls& controls);

// Connects to the dialog's printer endpoint with these failure texts.
std::unique_ptr<NetworkLink> ConnectToPrinter(const ConnectionContext& context,
                                              const NetworkFailureTexts& texts);

// Opens what the interface list selects; sets connection.isNetwork first, even when the open then
// fails. A failed USB open is reported here ("USB接口打开失败!").
bool OpenSelectedConnection(const ConnectionContext& context, PrinterConnection& connection);

// The single opener for a port kind (not the network), as the device buttons and the download
// choose them by the interface index: the COM port, LPT1, or the USB printer with
// "USB接口打开失败!" shown when it was not opened.
bool OpenPortOfKind(const ConnectionContext& context, PrinterConnection& connection,
                    ConnectionKind kind);

// The selected COM port with the current-baud and current-parity lists' line.
bool OpenSerialPort(const ConnectionContext& context, PrinterConnection& connection);

// LPT1 into connection.handle.
bool OpenParallelPort(const ConnectionContext& context, PrinterConnection& connection);

// Finds the first attached printer of the two and opens it. Only the warning for an unobtainable
// device list is shown here: a caller reports every other failure. Writes connection.usbWriteOnly
// whenever a printer is found, even when it then cannot be opened.
bool OpenUsbPrinter(const ConnectionContext& context, PrinterConnection& connection);

// Connects connection.socket to the dialog's printer endpoint.
bool OpenNetworkConnection(const ConnectionContext& context, PrinterConnection& connection);

// The connection a bitmap download goes to, for the interface list's current selection: a serial
// port or USB through their openers, LPT1 exactly as OpenParallelPort opens it, or a network link
// of its own (connection.socket stays untouched) with the network opener's texts. On failure the
// message of that connection kind has been shown and nothing is returned. connection.isNetwork is
// left alone; a USB discovery still updates connection.usbWriteOnly.
std::optional<DownloadTarget> OpenDownloadTarget(const ConnectionContext& context,
                                                 PrinterConnection& connection);

}  // namespace vantrel
