#pragma once

#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "cli/lib/exit_status.h"
#include "link/connections.h"
#include "link/port.h"
#include "link/system.h"
#include "protocol/printer_status.h"

namespace vantrel::cli {

// `vantrel status`: the exit status a script acts on for each state of the printer.
ExitStatus StatusExit(PrinterState state);

// The state an exit status of `status` stands for; nothing for a status that is not one (a
// connection that did not open, bad usage).
std::optional<PrinterState> StateOfExit(ExitStatus status);

// One printer's state in plain words: "ready", "paper near its end (paper near its end)",
// "needs a person: paper out, cover open, offline", "no answer", with the identity when known.
std::string StatusLine(const StatusAnswer& answer);

// How a printer's answers are waited for on each kind of link: on a serial line, the parallel
// port and a socket the read itself waits (the line's time-outs, the printer node's read bound,
// the socket's answer bound); a USB printer's reads come back at once, so they are tried for
// about half a second.
StatusAsking AskingFor(ConnectionKind kind);

// Asks the opened printer and releases the port: the answer, its line in plain words and the
// exit status go into `outcome`. The USB printer that gives no read-back is not asked.
struct Outcome;
void AskStatus(std::unique_ptr<OpenPort> port, InterfaceType index, bool usbWriteOnly,
               Sleeper& sleeper, Outcome& outcome);

// The status fields of a --json report: "state", "online", "cover_open", "paper_near_end",
// "paper_out", "drawer_open", "errors", "conditions", "identity", "received".
void AddStatusJson(nlohmann::json& json, const StatusAnswer& answer);

}  // namespace vantrel::cli
