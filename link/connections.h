#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "base/ui_variant.h"
#include "link/network_link.h"
#include "link/port.h"
#include "link/printer_connection.h"
#include "link/system.h"
#include "ui/dialog_controls.h"
#include "ui/prompts.h"

namespace vantrel {

// What the openers need of the dialog they run in. Every opener reports its own failures to the
// user, in the variant's language, before it returns false.
struct ConnectionContext {
  UiVariant variant;
  DialogControls& controls;
  UserPrompts& prompts;
  System& system;
};

// The four ways a printer is attached, by the interface list's index: 0 to 9 serial, 10 LPT1,
// 12 Ethernet; any other index opens USB.
enum class ConnectionKind { Serial, Parallel, Usb, Network };
ConnectionKind KindOfInterface(InterfaceType index);

// --- Serial ports ---

inline constexpr std::uint32_t kSerialQueueBytes = 4096;

// Chinese: a one-byte read gives up after 75 ms; English: after 2000 ms.
CommTimeouts SerialTimeoutsFor(UiVariant variant);

// "\\.\" followed by the interface item's text ("\\.\COM10"); nothing for an index that is not
// a serial port.
std::optional<std::string> SerialDevicePath(UiVariant variant, InterfaceType index);

// The rate of the current-baud list's item, or nothing for an index outside the list (the port's
// own rate then stays).
std::optional<std::uint32_t> BaudRateForIndex(int index);

// The port's line as read, with the tool's fixed settings and the dialog's rate and parity
// written in: binary, parity checking on, 8 data bits, one stop bit, CTS ignored, RTS on,
// XON/XOFF both ways (0x11/0x13, limits 50/50). A parity index outside 0 to 2 keeps the
// port's own parity.
SerialLine ConfigureLine(SerialLine asRead, int baudIndex, int parityIndex);

// --- USB printers ---

// The two printers, found by these exact lower-case texts anywhere in the device path.
inline constexpr std::string_view kAnsweringUsbPrinterId = "vid_0483&pid_5720";
inline constexpr std::string_view kWriteOnlyUsbPrinterId = "vid_067b&pid_2305";

struct UsbPrinterMatch {
  std::string devicePath;
  bool writeOnly = false;  // the printer that gives no read-back
};

// The first path in enumeration order that names either printer.
std::optional<UsbPrinterMatch> FindUsbPrinter(std::span<const std::string> devicePaths);

// The device path with its first four characters replaced by "\\.\"; the length stays.
std::string UsbOpenPath(std::string_view devicePath);

// Chinese: writes give up after 25 ms a byte plus 50 ms; English: 50 ms a byte plus 2000 ms.
// Reads return at once with what the driver holds.
CommTimeouts UsbTimeoutsFor(UiVariant variant);

// --- Network ---

inline constexpr std::uint16_t kDefaultPrinterPort = 9100;

// The port edit's text as the platform reads a signed number from a dialog field (blanks around
// it, an optional sign, decimal digits, within 32 bits), 0 for anything else, truncated to
// 16 bits.
std::uint16_t ParsePortNumber(std::string_view text);

// The printer's address from the IP-address control and its port from the hidden port edit.
Ipv4Endpoint ReadPrinterEndpoint(DialogControls& controls);

// The three network failure messages.
struct NetworkFailureTexts {
  std::string_view startFailed;    // the socket library did not start
  std::string_view socketFailed;   // no socket could be created
  std::string_view connectFailed;  // the printer was not reached
};

// The network opener's texts, in the variant's language.
NetworkFailureTexts NetworkOpenTexts(UiVariant variant);

// Starts the socket library, creates a socket and connects it to the dialog's printer endpoint.
// On failure shows the matching text, having cleaned up as far as it got: after a failed socket
// creation the library is stopped after the message; after a failed connect the socket is closed
// and the library stopped before it. Never starts arp: only the returned link's release does.
std::unique_ptr<NetworkLink> ConnectToPrinter(const ConnectionContext& context,
                                              const NetworkFailureTexts& texts);

// --- The connection record's openers ---

// Opens what the interface list selects; sets connection.isNetwork first, even when the open then
// fails. A failed USB open is reported here ("USB接口打开失败!").
bool OpenSelectedConnection(const ConnectionContext& context, PrinterConnection& connection);

// The single opener for a port kind (not the network), as the device buttons and the download
// choose them by the interface index: the COM port, LPT1, or the USB printer with
// "USB接口打开失败!" shown when it was not opened.
bool OpenPortOfKind(const ConnectionContext& context, PrinterConnection& connection,
                    ConnectionKind kind);

// Opens the selected COM port exclusively, sets its queues, time-outs and line. A port whose line
// settings cannot be read is closed again before the failure is shown.
bool OpenSerialPort(const ConnectionContext& context, PrinterConnection& connection);

// Opens LPT1; no line settings or time-outs.
bool OpenParallelPort(const ConnectionContext& context, PrinterConnection& connection);

// Finds the first attached printer of the two by its identifiers and opens it. Only the warning
// for an unobtainable device list is shown here: a caller reports every other failure. Writes
// connection.usbWriteOnly whenever a printer is found, even when it then cannot be opened.
bool OpenUsbPrinter(const ConnectionContext& context, PrinterConnection& connection);

// Connects connection.socket to the dialog's printer endpoint.
bool OpenNetworkConnection(const ConnectionContext& context, PrinterConnection& connection);

// Closes the socket, stops the socket library, then starts arp -d.
void CloseNetworkConnection(PrinterConnection& connection);

// Clears a pending line error, then one write of the whole block; true when the write succeeded.
bool WriteToPort(OpenPort& port, ByteView data);
bool WriteToPort(PrinterConnection& connection, ByteView data);

// "USB接口打开失败!" / "Failed to open USB port!": every caller of OpenUsbPrinter shows it when the
// printer was not opened.
std::string_view UsbOpenFailedText(UiVariant variant);

}  // namespace vantrel
