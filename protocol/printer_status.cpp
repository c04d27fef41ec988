#include "protocol/printer_status.h"

#include <algorithm>

namespace vantrel {
namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kIdentityHeader = 0x5F;

constexpr bool Bit(std::uint8_t byte, int bit) {
  return (byte >> bit & 1) != 0;
}

// One byte of the answer, waited for as `asking` says; nothing when none came.
std::optional<std::uint8_t> ReadByte(OpenPort& port, Sleeper& sleeper, const StatusAsking& asking) {
  for (int attempt = 0; attempt < std::max(1, asking.tries); ++attempt) {
    if (attempt > 0)
      sleeper.Sleep(asking.pause);
    const PortRead read = port.Read(1);
    if (!read.bytes.empty())
      return read.bytes.front();
    if (!read.ok)
      return std::nullopt;  // the link failed: waiting more gives nothing
  }
  return std::nullopt;
}

// Sends GS I n and reads its answer up to the NUL; nothing when it did not come whole.
std::optional<std::string> AskIdentity(OpenPort& port, Sleeper& sleeper, const StatusAsking& asking,
                                       std::uint8_t n, Bytes& received) {
  if (!port.Write(IdentityRequest(n)))
    return std::nullopt;
  Bytes answer;
  while (answer.size() < kIdentityCap + 2) {
    const std::optional<std::uint8_t> byte = ReadByte(port, sleeper, asking);
    if (!byte)
      return std::nullopt;
    answer.push_back(*byte);
    received.push_back(*byte);
    if (*byte == 0)
      return DecodeIdentityAnswer(answer);
  }
  return std::nullopt;
}

}  // namespace

Bytes StatusRequest(std::uint8_t n) {
  return {kDle, kEot, n};
}

Bytes IdentityRequest(std::uint8_t n) {
  return {kGs, 'I', n};
}

std::optional<PrinterStatus> DecodeStatus(const std::array<std::uint8_t, 4>& answers) {
  for (const std::uint8_t byte : answers) {
    if (!IsStatusByte(byte))
      return std::nullopt;
  }
  const auto [printer, offline, error, paper] = answers;
  PrinterStatus status;
  status.bytes = answers;
  status.drawerOpen = Bit(printer, 2);
  status.online = !Bit(printer, 3);
  status.waitingForRecovery = Bit(printer, 5);
  status.feedButtonPressed = Bit(printer, 6);
  status.coverOpen = Bit(offline, 2);
  status.feedingByButton = Bit(offline, 3);
  status.stoppedAtPaperEnd = Bit(offline, 5);
  status.errorOccurred = Bit(offline, 6);
  status.recoverableError = Bit(error, 2);
  status.cutterError = Bit(error, 3);
  status.unrecoverableError = Bit(error, 5);
  status.autoRecoverableError = Bit(error, 6);
  // Each sensor is reported in two bits; either one set counts.
  status.paperNearEnd = (paper & 0x0C) != 0;
  status.paperOut = (paper & 0x60) != 0;
  return status;
}

std::optional<std::string> DecodeIdentityAnswer(ByteView answer) {
  if (answer.size() < 2 || answer.front() != kIdentityHeader || answer.back() != 0 ||
      answer.size() - 2 > kIdentityCap)
    return std::nullopt;
  std::string text;
  for (const std::uint8_t byte : answer.subspan(1, answer.size() - 2)) {
    if (byte < 0x20 || byte > 0x7E)
      return std::nullopt;
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

PrinterState StateOf(const std::optional<PrinterStatus>& status) {
  if (!status)
    return PrinterState::NoAnswer;
  if (!status->online || status->paperOut || status->coverOpen || status->stoppedAtPaperEnd ||
      status->errorOccurred || status->recoverableError || status->cutterError ||
      status->unrecoverableError || status->autoRecoverableError)
    return PrinterState::NeedsAttention;
  if (status->paperNearEnd)
    return PrinterState::PaperNearEnd;
  return PrinterState::Ready;
}

namespace {

// Each state in plain words and by its name in JSON.
struct StateTexts {
  PrinterState state;
  std::string_view words;
  std::string_view name;
};
constexpr StateTexts kStateTexts[] = {
    {PrinterState::Ready, "ready", "ready"},
    {PrinterState::PaperNearEnd, "paper near its end", "paper-near-end"},
    {PrinterState::NeedsAttention, "needs a person", "needs-attention"},
    {PrinterState::NoAnswer, "no answer", "no-answer"},
};

const StateTexts& TextsOf(PrinterState state) {
  for (const StateTexts& texts : kStateTexts) {
    if (texts.state == state)
      return texts;
  }
  return kStateTexts[3];
}

}  // namespace

std::string_view StateWords(PrinterState state) {
  return TextsOf(state).words;
}

std::string_view StateName(PrinterState state) {
  return TextsOf(state).name;
}

std::vector<std::string> StatusConditions(const PrinterStatus& status) {
  const std::pair<bool, const char*> conditions[] = {
      {status.paperOut || status.stoppedAtPaperEnd, "paper out"},
      {status.coverOpen, "cover open"},
      {status.unrecoverableError, "unrecoverable error"},
      {status.cutterError, "cutter error"},
      {status.recoverableError, "recoverable error"},
      {status.autoRecoverableError, "error that clears by itself (e.g. head too hot)"},
      {status.errorOccurred && !status.unrecoverableError && !status.cutterError &&
           !status.recoverableError && !status.autoRecoverableError,
       "error"},
      {!status.online, "offline"},
      {status.waitingForRecovery, "waiting to go online again"},
      {status.paperNearEnd, "paper near its end"},
      {status.feedButtonPressed || status.feedingByButton, "feed button pressed"},
      {status.drawerOpen, "drawer open"},
  };
  std::vector<std::string> words;
  for (const auto& [shown, text] : conditions) {
    if (shown)
      words.emplace_back(text);
  }
  return words;
}

StatusAnswer AskPrinterStatus(OpenPort& port, Sleeper& sleeper, const StatusAsking& asking) {
  StatusAnswer answer;
  // A late answer to something earlier must not be read as this one's.
  port.DiscardInput();
  std::array<std::uint8_t, 4> bytes{};
  for (std::uint8_t n = 1; n <= 4; ++n) {
    if (!port.Write(StatusRequest(n))) {
      answer.written = false;
      return answer;
    }
    const std::optional<std::uint8_t> byte = ReadByte(port, sleeper, asking);
    if (!byte)
      return answer;
    answer.received.push_back(*byte);
    if (!IsStatusByte(*byte))
      return answer;
    bytes[n - 1] = *byte;
  }
  answer.status = DecodeStatus(bytes);
  // An offline printer does not take GS I from its buffer until it is back online: not asked.
  if (!asking.identity || !answer.status->online)
    return answer;
  const std::optional<std::string> model =
      AskIdentity(port, sleeper, asking, kModelNameInfo, answer.received);
  if (!model)
    return answer;
  const std::optional<std::string> maker =
      AskIdentity(port, sleeper, asking, kMakerNameInfo, answer.received);
  answer.status->identity = maker && !maker->empty() ? *maker + " " + *model : *model;
  return answer;
}

}  // namespace vantrel
