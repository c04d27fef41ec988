#include "link/win32/device_paths.h"

namespace vantrel::win32 {
namespace {

constexpr std::string_view kDevicePathPrefix = "\\\\.\\";

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Four hexadecimal digits at the start of text, either case.
std::optional<std::uint16_t> HexId(std::string_view text) {
  if (text.size() < 4)
    return std::nullopt;
  std::uint16_t value = 0;
  for (const char c : text.substr(0, 4)) {
    const char l = Lower(c);
    int digit = 0;
    if (l >= '0' && l <= '9')
      digit = l - '0';
    else if (l >= 'a' && l <= 'f')
      digit = l - 'a' + 10;
    else
      return std::nullopt;
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

}  // namespace

std::string SerialDevicePath(std::string_view port) {
  bool name = !port.empty();
  for (const char c : port)
    name = name && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
  if (!name)
    return std::string(port);
  std::string path(kDevicePathPrefix);
  path += port;
  return path;
}

std::string UsbOpenPath(std::string_view devicePath) {
  std::string path(devicePath);
  for (std::size_t i = 0; i < kDevicePathPrefix.size() && i < path.size(); ++i)
    path[i] = kDevicePathPrefix[i];
  return path;
}

std::vector<UsbId> UsbIdsOfPath(std::string_view devicePath) {
  std::string lower(devicePath);
  for (char& c : lower)
    c = Lower(c);
  constexpr std::string_view kVendor = "vid_";
  constexpr std::string_view kProduct = "&pid_";
  std::vector<UsbId> ids;
  for (std::size_t at = lower.find(kVendor); at != std::string::npos;
       at = lower.find(kVendor, at + 1)) {
    const std::string_view rest = std::string_view(lower).substr(at + kVendor.size());
    const std::optional<std::uint16_t> vendor = HexId(rest);
    if (!vendor || rest.substr(4, kProduct.size()) != kProduct)
      continue;
    if (const auto product = HexId(rest.substr(4 + kProduct.size())))
      ids.push_back({*vendor, *product});
  }
  return ids;
}

std::optional<std::string> SystemArpPath(std::string_view directory) {
  const bool driveRooted = directory.size() >= 3 && directory[1] == ':' &&
                           (directory[2] == '\\' || directory[2] == '/') &&
                           ((directory[0] >= 'A' && directory[0] <= 'Z') ||
                            (directory[0] >= 'a' && directory[0] <= 'z'));
  const bool uncRooted = directory.size() >= 3 && directory.substr(0, 2) == "\\\\";
  if (!driveRooted && !uncRooted)
    return std::nullopt;
  std::string path(directory);
  if (path.back() != '\\' && path.back() != '/')
    path += '\\';
  path += "arp.exe";
  return path;
}

}  // namespace vantrel::win32
