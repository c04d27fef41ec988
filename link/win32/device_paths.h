#pragma once

// How Windows names the devices the tool opens: pure text rules, kept apart from the calls so
// that they can be checked anywhere.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/system.h"

namespace vantrel::win32 {

// The path a serial port is opened by: a port name ("COM3", the interface item's text) follows
// the four characters "\\.\" ("\\.\COM3"); a device path is used as it is.
std::string SerialDevicePath(std::string_view port);

// The path the first parallel port is opened by.
inline constexpr std::string_view kParallelDevicePath = "LPT1:";

// The path a USB device is opened by: its listed path with the first four characters replaced
// by "\\.\"; the length stays.
std::string UsbOpenPath(std::string_view devicePath);

// Every vendor and product a USB device path names as "vid_XXXX&pid_XXXX", in the path's order,
// read without regard to case (Windows gives no promise about the case of a device path).
std::vector<UsbId> UsbIdsOfPath(std::string_view devicePath);

// What clearing the address cache runs: the shell's "open" verb on the system's arp program with
// "-d".
inline constexpr std::string_view kArpVerb = "open";
inline constexpr std::string_view kArpParameters = "-d";

// The full path of arp.exe in the system directory the platform reports ("C:\Windows\system32"
// gives "C:\Windows\system32\arp.exe"). Nothing when the directory is not an absolute path:
// then arp is not started at all, since a bare name would be searched for in the current
// directory first (which the file dialog moves to wherever the user's bitmaps are) or along the
// search path.
std::optional<std::string> SystemArpPath(std::string_view systemDirectory);

}  // namespace vantrel::win32
