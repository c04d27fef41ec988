#include "cli/lib/status.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "cli/lib/run.h"

namespace vantrel::cli {
ExitStatus StatusExit(PrinterState state) {
  switch (state) {
    case PrinterState::Ready:
      return ExitStatus::Ok;
    case PrinterState::PaperNearEnd:
      return ExitStatus::PaperNearEnd;
    case PrinterState::NeedsAttention:
      return ExitStatus::NeedsAttention;
    case PrinterState::NoAnswer:
      break;
  }
  return ExitStatus::NoAnswer;
}

std::optional<PrinterState> StateOfExit(ExitStatus status) {
  for (const PrinterState state : {PrinterState::Ready, PrinterState::PaperNearEnd,
                                   PrinterState::NeedsAttention, PrinterState::NoAnswer}) {
    if (StatusExit(state) == status)
      return state;
  }
  return std::nullopt;
}

std::string StatusLine(const StatusAnswer& answer) {
  const PrinterState state = StateOf(answer.status);
  std::string line(StateWords(state));
  if (!answer.status) {
    if (!answer.written)
      line += ": the request did not go out";
    else if (!answer.received.empty())
      line += ": what came back is not a status answer";
    return line;
  }
  const std::vector<std::string> conditions = StatusConditions(*answer.status);
  if (!conditions.empty()) {
    line += ": ";
    for (std::size_t i = 0; i < conditions.size(); ++i)
      line += (i ? ", " : "") + conditions[i];
  }
  if (answer.status->identity)
    line += " [" + *answer.status->identity + "]";
  return line;
}

void AskStatus(std::unique_ptr<OpenPort> port, InterfaceType index, bool usbWriteOnly,
               Sleeper& sleeper, Outcome& outcome) {
  const ConnectionKind kind = KindOfInterface(index);
  if (kind == ConnectionKind::Usb && usbWriteOnly) {
    outcome.status = ExitStatus::NoAnswer;
    outcome.messages.emplace_back("no answer: this USB printer (" +
                                  std::string(kWriteOnlyUsbPrinterId) +
                                  ") sends nothing back, so its state cannot be asked");
    outcome.printerStatus = StatusAnswer{};
    return;
  }
  StatusAnswer answer = AskPrinterStatus(*port, sleeper, AskingFor(kind));
  port.reset();
  outcome.status = StatusExit(StateOf(answer.status));
  outcome.messages.push_back(StatusLine(answer));
  outcome.printerStatus = std::move(answer);
}

StatusAsking AskingFor(ConnectionKind kind) {
  if (kind == ConnectionKind::Usb)
    return {10, std::chrono::milliseconds(50), true};
  return {};
}

void AddStatusJson(nlohmann::json& json, const StatusAnswer& answer) {
  std::string received;
  for (const std::uint8_t byte : answer.received) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", byte);
    received += (received.empty() ? "" : " ") + std::string(hex);
  }
  json["state"] = StateName(StateOf(answer.status));
  json["received"] = received;
  if (!answer.status) {
    for (const char* key : {"online", "cover_open", "paper_near_end", "paper_out", "drawer_open",
                            "errors", "identity"})
      json[key] = nullptr;
    json["conditions"] = nlohmann::json::array();
    return;
  }
  const PrinterStatus& status = *answer.status;
  json["online"] = status.online;
  json["cover_open"] = status.coverOpen;
  json["paper_near_end"] = status.paperNearEnd;
  json["paper_out"] = status.paperOut || status.stoppedAtPaperEnd;
  json["drawer_open"] = status.drawerOpen;
  json["errors"] = {{"any", status.errorOccurred},
                    {"recoverable", status.recoverableError},
                    {"cutter", status.cutterError},
                    {"unrecoverable", status.unrecoverableError},
                    {"auto_recoverable", status.autoRecoverableError}};
  json["conditions"] = StatusConditions(status);
  json["identity"] = status.identity ? nlohmann::json(*status.identity) : nlohmann::json(nullptr);
}

}  // namespace vantrel::cli
