#pragma once

#include <string>

#include "link/open_failure.h"
#include "link/printer_connection.h"

namespace vantrel::cli {

// What to do about a device that would not open, for the interface the user chose: the group
// that grants a serial line (dialout) or a printer node (lp), the package's udev rule for the two
// USB printers, or that another program holds the device. Empty when there is nothing to add to
// the run's own message (the node is missing, or the cause is unknown).
std::string OpenFailureHint(const FailedOpen& failure, InterfaceType chosen);

}  // namespace vantrel::cli
