#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/ui_variant.h"
#include "link/printer_connection.h"
#include "link/system.h"

namespace vantrel::cli {

// --- Language ---

// The Windows language id a POSIX locale name stands for, as far as the variant choice needs it:
// zh_TW 0x0404, zh_CN 0x0804, zh_HK 0x0C04, zh_SG 0x1004, zh_MO 0x1404, other Chinese 0x0004,
// anything else English (0x0409).
std::uint16_t LanguageIdOfLocale(std::string_view locale);

// The locale that decides texts, as the C library looks it up: LC_ALL, then LC_MESSAGES, then
// LANG (empty ones skipped).
std::string EffectiveLocale(const std::function<const char*(const char*)>& getenv);

// --- Where the printer is ---

// What a COM port's device path starts with: "\\.\COM12".
inline constexpr std::string_view kComDevicePrefix = "\\\\.\\";

// The serial port a target's device path opens: "COMn" for a COM port's device path ("\\.\COM12"),
// the path itself otherwise.
std::string SerialPortOfPath(std::string_view devicePath);

struct InterfaceChoice {
  InterfaceType index = 0;  // the dialog's interface list: COM1-COM10, LPT1, USB, Ethernet
  std::optional<std::string> devicePath;            // a serial line or printer node given by path
  Ipv4Endpoint endpoint{{192, 168, 1, 114}, 9100};  // the dialog's initial printer address
  std::string label;                                // as the user named it
};

// Turns a host name into an IPv4 address (the platform's resolver).
using Resolver = std::function<std::optional<std::array<std::uint8_t, 4>>(std::string_view)>;

// "COM1" to "COM10", "LPT1", "USB", "Ethernet" / "以太网" (the dialog's items, any case), a device
// path ("/dev/ttyUSB0"; a printer node such as /dev/usb/lp0 is opened like the parallel port), or
// host[:port] (port 9100 by default). Nothing with a message when it is none of these.
std::variant<InterfaceChoice, std::string> ParseInterface(std::string_view text,
                                                          const Resolver& resolve);

// --baud and --parity: the current-line lists' indexes from "9600" / "none" (or the index).
std::optional<int> BaudIndexOf(std::string_view text);
std::optional<int> ParityIndexOf(std::string_view text);

// --- Files ---

// A profile or hosts file as any editor saves it, as UTF-8 text: a UTF-8 byte-order mark is
// skipped and UTF-16 with its mark (Notepad's "Unicode", either byte order) is converted. Nothing
// for any other text that is not UTF-8 (a legacy code page); kNotUtf8Text says what to do.
std::optional<std::string> TextAsUtf8(std::string_view bytes);
inline constexpr std::string_view kNotUtf8Text =
    "the file is not UTF-8 text: save it as UTF-8 (in Notepad: Save As, Encoding UTF-8)";

// A profile: one JSON object of setting names and values (strings or numbers). Nothing with a
// message when the text is not such an object.
std::variant<std::map<std::string, std::string>, std::string> ParseProfile(std::string_view json);

// A hosts file: one host[:port] a line; blank lines and text after '#' are ignored.
std::vector<std::string> ParseHostsList(std::string_view text);

}  // namespace vantrel::cli
