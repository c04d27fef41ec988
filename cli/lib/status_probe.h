#pragma once

#include "cli/lib/command_line.h"
#include "cli/lib/exporter.h"

namespace vantrel::cli {

// The exporter's probe on this machine: opens the target over the machine's links (a serial line
// at this rate and parity), asks its status and identity within the bound and closes it again.
ProbeFunction MakeStatusProbe(Machine& machine, int baudIndex, int parityIndex);

}  // namespace vantrel::cli
