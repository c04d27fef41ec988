#pragma once

#include "cli/lib/command_line.h"
#include "cli/lib/exporter.h"
#include "cli/lib/run.h"

namespace vantrel::cli {

// The exporter's probe on this machine: opens the target over the machine's links (a serial line
// at this rate and parity), asks its status and identity as `vantrel status` does, and closes it
// again. A network printer gets the bound for its connect.
ProbeFunction MakeStatusProbe(Machine& machine, int baudIndex, int parityIndex);

// What a status run found, as the exporter's metrics take it: up when the printer answered;
// otherwise why not ("open-failed", "no-answer").
ProbeResult ProbeResultOf(const Outcome& outcome);

}  // namespace vantrel::cli
