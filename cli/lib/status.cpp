#include "cli/lib/status.h"

namespace vantrel::cli {
namespace {

// Ready, near end, needs a person, no answer, not opened, then the statuses of a run that did not
// get as far as a printer (bad file, bad usage).
int Severity(ExitStatus status) {
  switch (status) {
    case ExitStatus::Ok:
      return 0;
    case ExitStatus::PaperNearEnd:
      return 1;
    case ExitStatus::NeedsAttention:
      return 2;
    case ExitStatus::NoAnswer:
      return 3;
    case ExitStatus::OpenFailed:
      return 4;
    default:
      return 5 + static_cast<int>(status);
  }
}

}  // namespace

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

ExitStatus WorstStatus(ExitStatus a, ExitStatus b) {
  return Severity(a) >= Severity(b) ? a : b;
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

}  // namespace vantrel::cli
