#pragma once

#include <optional>
#include <string>

#include "cli/lib/exit_status.h"
#include "protocol/printer_status.h"

namespace vantrel::cli {

// `vantrel status`: the exit status a script acts on for each state of the printer.
ExitStatus StatusExit(PrinterState state);

// The state an exit status of `status` stands for; nothing for a status that is not one (a
// connection that did not open, bad usage).
std::optional<PrinterState> StateOfExit(ExitStatus status);

// Several printers (--hosts) end with the most pressing of their statuses: a printer that could
// not be reached or did not answer before one that needs a person, before paper near its end,
// before ready.
ExitStatus WorstStatus(ExitStatus a, ExitStatus b);

// One printer's state in plain words: "ready", "paper near its end (paper near its end)",
// "needs a person: paper out, cover open, offline", "no answer", with the identity when known.
std::string StatusLine(const StatusAnswer& answer);

}  // namespace vantrel::cli
