#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "base/message_prompt.h"
#include "base/ui_variant.h"
#include "link/network_link.h"
#include "link/port.h"
#include "link/printer_connection.h"
#include "link/system.h"

namespace vantrel {

// What every opener needs besides its own parameters: the variant (its failure texts and
// time-outs), where failures are reported, and the operating system. Every opener reports its
// own failures, in the variant's language, before it returns nothing.
struct LinkContext {
  UiVariant variant;
  AlertPrompts& prompts;
  System& system;
};

// The four ways a printer is attached, by the interface list's index: 0 to 9 serial, 10 LPT1,
// 12 Ethernet; any other index opens USB.
enum class ConnectionKind { Serial, Parallel, Usb, Network };
ConnectionKind KindOfInterface(InterfaceType index);

// --- Serial ports ---

inline constexpr std::uint32_t kSerialQueueBytes = 4096;

// Chinese: a one-byte read gives up after 75 ms; English: after 2000 ms. A write may take ten
// times its wire time at baudRate (10 bits a byte, whole milliseconds a byte rounded up) and two
// seconds more, so a printer that holds XOFF ends the write there instead of hours later.
CommTimeouts SerialTimeoutsFor(UiVariant variant, std::uint32_t baudRate);

// The rate a serial write's bound is reckoned at when the caller keeps the port's own rate: the
// slowest of the list, which errs on the long side.
inline constexpr std::uint32_t kSlowestListedRate = 1200;

// The rate of the current-baud list's item, or nothing for an index outside the list (the port's
// own rate then stays).
std::optional<std::uint32_t> BaudRateForIndex(int index);

// The caller's rate and parity for a serial open; nothing keeps what the port has.
struct SerialLineChoice {
  std::optional<std::uint32_t> baudRate;
  std::optional<Parity> parity;
};

// The dialog's current-baud and current-parity list indexes as a choice: an index outside its
// list chooses nothing.
SerialLineChoice LineChoiceForLists(int baudIndex, int parityIndex);

// The line the tool runs: the chosen rate and parity (the port's own where none is chosen),
// binary, parity checking on, 8 data bits, one stop bit, CTS and DSR ignored, RTS and DTR on,
// XON/XOFF both ways (0x11/0x13, limits 50/50) with our output going on after we sent XOFF, and
// every other field off or zero: no abort on errors, no null stripping, no error or event byte.
SerialLine ConfigureLine(const SerialLine& asRead, const SerialLineChoice& choice);

// "串口打开失败!" / "Failed to open serial port!".
std::string_view SerialOpenFailedText(UiVariant variant);

// Opens the serial port of that name ("COM3") or device path (as System::OpenSerialDevice takes
// it) exclusively, sets its queues, the variant's time-outs and the line. A port whose line
// settings cannot be read or written is closed again before the failure is shown.
std::unique_ptr<OpenPort> OpenSerialPort(const LinkContext& context, std::string_view name,
                                         const SerialLineChoice& line);

// --- The parallel port ---

// Opens LPT1; no line settings or time-outs.
std::unique_ptr<OpenPort> OpenParallelPort(const LinkContext& context);

// --- USB printers ---

// The two printers, by their vendor and product identifiers, and as the texts name them.
inline constexpr std::string_view kAnsweringUsbPrinterId = "vid_0483&pid_5720";
inline constexpr std::string_view kWriteOnlyUsbPrinterId = "vid_067b&pid_2305";
inline constexpr UsbId kAnsweringPrinterUsbId{0x0483, 0x5720};
inline constexpr UsbId kWriteOnlyPrinterUsbId{0x067B, 0x2305};

struct UsbPrinterMatch {
  UsbDevice device;
  bool writeOnly = false;  // the printer that gives no read-back
};

// The first device in enumeration order that is either printer; a device that answers to both
// counts as the write-only one.
std::optional<UsbPrinterMatch> FindUsbPrinter(std::span<const UsbDevice> devices);

// Chinese: writes give up after 25 ms a byte plus 50 ms; English: 50 ms a byte plus 2000 ms.
// Reads return at once with what the driver holds.
CommTimeouts UsbTimeoutsFor(UiVariant variant);

// "USB接口打开失败!" / "Failed to open USB port!": shown whenever the printer was not opened.
std::string_view UsbOpenFailedText(UiVariant variant);

// What a USB discovery found and opened.
struct UsbPrinterPort {
  std::unique_ptr<OpenPort> port;  // null when no printer was opened
  // Set whenever a printer was found, even when it then could not be opened: true for the
  // printer that never answers.
  std::optional<bool> writeOnly;
};

// Finds the first attached printer of the two by its identifiers and opens it with the variant's
// time-outs. Only the warning for an unobtainable device list is shown here.
UsbPrinterPort FindAndOpenUsbPrinter(const LinkContext& context);

// FindAndOpenUsbPrinter, then UsbOpenFailedText when nothing was opened. usbWriteOnly is written
// whenever a printer was found and left alone otherwise.
std::unique_ptr<OpenPort> OpenUsbPort(const LinkContext& context, bool& usbWriteOnly);

// --- Network ---

// The port edit's text as the platform reads a signed number from a dialog field (blanks around
// it, an optional sign, decimal digits, within 32 bits), 0 for anything else, truncated to
// 16 bits.
std::uint16_t ParsePortNumber(std::string_view text);

// How long a connect may take before the printer counts as not reached. Windows itself retries
// an unanswered connect for about 21 s; a mistyped address should not freeze the dialog so long.
inline constexpr std::chrono::milliseconds kConnectBound{10000};

// The three network failure messages.
struct NetworkFailureTexts {
  std::string_view startFailed;    // the socket library did not start
  std::string_view socketFailed;   // no socket could be created
  std::string_view connectFailed;  // the printer was not reached
};

// The network opener's texts, in the variant's language.
NetworkFailureTexts NetworkOpenTexts(UiVariant variant);

// Starts the socket library, creates a socket and connects it to the printer. On failure shows
// the matching text, having cleaned up as far as it got: after a failed socket creation the
// library is stopped after the message; after a failed connect the socket is closed and the
// library stopped before it. Never clears the address cache: only the returned link's release does.
std::unique_ptr<NetworkLink> ConnectToPrinter(const LinkContext& context,
                                              const Ipv4Endpoint& printer,
                                              const NetworkFailureTexts& texts);

// ConnectToPrinter's steps up to the connected socket, with the same failure texts and clean-up.
std::optional<SocketId> ConnectSocket(const LinkContext& context, const Ipv4Endpoint& printer,
                                      const NetworkFailureTexts& texts);

// ConnectToPrinter with the variant's own texts.
std::unique_ptr<NetworkLink> OpenNetworkLink(const LinkContext& context,
                                             const Ipv4Endpoint& printer);

// --- Writing ---

// Clears a pending line error, then one write of the whole block; true when the write succeeded.
bool WriteToPort(OpenPort& port, ByteView data);

}  // namespace vantrel
