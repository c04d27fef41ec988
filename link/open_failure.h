#pragma once

#include <string>

namespace vantrel {

// Why the system could not open a device: what a program that talks to a person in a terminal
// can tell beyond the dialog's fixed "could not open" texts.
enum class OpenError {
  PermissionDenied,  // the user may not read and write the node
  Busy,              // another program holds it (an exclusive open)
  Missing,           // no such node
  NotADevice,        // a regular file, a pipe or a folder, which is never written as a printer
  Other,
};

struct FailedOpen {
  std::string path;  // the node that was opened, as the system named it (/dev/ttyS0)
  OpenError error = OpenError::Other;

  bool operator==(const FailedOpen&) const = default;
};

}  // namespace vantrel
