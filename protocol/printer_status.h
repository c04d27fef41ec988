#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/sleeper.h"
#include "link/port.h"

namespace vantrel {

// --- What a receipt printer tells about itself ---

// DLE EOT n (n = 1 to 4): the real-time status request. The printer answers each with one byte
// at once, even while it is offline or its buffer is full.
Bytes StatusRequest(std::uint8_t n);

// GS I n: the printer's information. For n = 65 and above the answer is 0x5F, the text, NUL.
Bytes IdentityRequest(std::uint8_t n);
inline constexpr std::uint8_t kMakerNameInfo = 66;
inline constexpr std::uint8_t kModelNameInfo = 67;

// The longest identity text taken from one GS I answer; a longer answer is not an answer.
inline constexpr std::size_t kIdentityCap = 80;

// A status byte has bits 1 and 4 set and bits 0 and 7 clear, whichever n it answers: anything
// else is not an answer to DLE EOT (an echo, line noise, another command's answer).
constexpr bool IsStatusByte(std::uint8_t byte) {
  return (byte & 0x93) == 0x12;
}

// The state the four status bytes give, and the printer's identity when it told it.
struct PrinterStatus {
  // DLE EOT 1: the printer status.
  bool online = false;              // bit 3 clear
  bool drawerOpen = false;          // bit 2: the drawer connector's pin 3 is high
  bool waitingForRecovery = false;  // bit 5: waiting to go online again
  bool feedButtonPressed = false;   // bit 6
  // DLE EOT 2: why it is offline.
  bool coverOpen = false;          // bit 2
  bool feedingByButton = false;    // bit 3: paper is being fed by the feed button
  bool stoppedAtPaperEnd = false;  // bit 5: printing stopped because the paper ran out
  bool errorOccurred = false;      // bit 6
  // DLE EOT 3: the error causes.
  bool recoverableError = false;      // bit 2
  bool cutterError = false;           // bit 3
  bool unrecoverableError = false;    // bit 5
  bool autoRecoverableError = false;  // bit 6: a head too hot, say; goes away by itself
  // DLE EOT 4: the roll paper sensors.
  bool paperNearEnd = false;  // bits 2 and 3
  bool paperOut = false;      // bits 5 and 6
  // GS I: maker and model ("Vantrel TM-1"), when the printer told them.
  std::optional<std::string> identity;

  // The four bytes as they came, n = 1 first.
  std::array<std::uint8_t, 4> bytes{};

  bool operator==(const PrinterStatus&) const = default;
};

// The state from the answers to DLE EOT 1, 2, 3 and 4 in that order; nothing when any of them
// is not a status byte.
std::optional<PrinterStatus> DecodeStatus(const std::array<std::uint8_t, 4>& answers);

// The text of a GS I answer for n >= 65 (0x5F, printable ASCII, NUL); nothing for anything else.
std::optional<std::string> DecodeIdentityAnswer(ByteView answer);

// What a person or a script does about the printer, worst last.
enum class PrinterState {
  Ready,           // online, paper enough, no error
  PaperNearEnd,    // still printing, but the roll is near its end
  NeedsAttention,  // paper out, cover open, an error, or offline: it does not print
  NoAnswer,        // the link opened but no status came back
};

PrinterState StateOf(const std::optional<PrinterStatus>& status);

// "ready", "paper near its end", "needs a person", "no answer".
std::string_view StateWords(PrinterState state);
// "paper-near-end" and the like: the state's name in JSON.
std::string_view StateName(PrinterState state);

// Every condition the status shows, in plain words, the most pressing first ("paper out",
// "cover open", "offline", ...); empty for a printer that is ready.
std::vector<std::string> StatusConditions(const PrinterStatus& status);

// --- Asking a printer over an open link ---

// How the answers are waited for. A serial line and a socket wait inside their reads (the line's
// time-outs, the socket's read bound): one try. A USB printer's reads come back at once with what
// the driver holds: several tries with a pause between.
struct StatusAsking {
  int tries = 1;
  std::chrono::milliseconds pause{0};
  bool identity = true;  // also ask GS I, when the printer is online
};

struct StatusAnswer {
  std::optional<PrinterStatus> status;  // nothing: no answer, or not a status answer
  Bytes received;                       // every byte the printer sent back, in order
  bool written = true;                  // false when a request did not go out
};

// Asks DLE EOT 1 to 4, one at a time, each answer read before the next request goes; then, when
// the printer is online and `asking.identity` is set, GS I for its model and maker. A printer that
// does not answer costs the wait for one answer and no more. The port is left open.
StatusAnswer AskPrinterStatus(OpenPort& port, Sleeper& sleeper, const StatusAsking& asking);

}  // namespace vantrel
