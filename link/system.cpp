#include "link/system.h"

namespace vantrel {

std::string Ipv4Endpoint::AddressText() const {
  std::string text;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i > 0)
      text += '.';
    text += std::to_string(address[i]);
  }
  return text;
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

}  // namespace vantrel
