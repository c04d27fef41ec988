#pragma once

#include <cstddef>
#include <optional>

#include "base/bytes.h"

namespace vantrel {

// What one read call on an open port returned: the call's success flag and the bytes it got.
struct PortRead {
  bool ok = false;
  Bytes bytes;
};

// An open handle-based connection to the printer: a serial port, the parallel port or a USB
// printer. Destroying the object releases the connection (CloseHandle on Windows).
class OpenPort {
 public:
  virtual ~OpenPort() = default;

  // Exactly one write call carrying exactly these bytes. True only when every byte went out
  // within the write's bound (its line time with a margin); a write cut short or timed out is not
  // a write, whatever part of it went.
  virtual bool Write(ByteView data) = 0;

  // One read call of at most maxBytes. It always comes back, with data or without: bounding it
  // in time is the implementation's job (line time-outs, or a poll where the driver has none).
  virtual PortRead Read(std::size_t maxBytes) = 0;

  // Clears a pending line-error state and tells how many received bytes wait in the driver, where
  // the link can tell (a serial port); nothing where it cannot (the parallel port, USB).
  virtual std::optional<std::size_t> ClearErrorsAndCountReceived() = 0;

  // Lets output go on as though the printer had sent XON, where the line has XON/XOFF (a serial
  // port); nothing elsewhere. A printer that echoes a value byte 0x13 stops our output with it,
  // and need not send XON afterwards.
  virtual void ResumeOutput() {}

  // Drops what the printer sent and nobody has read yet, where the link can (a serial port); an
  // answer that came too late for its own read then cannot be judged for the next command.
  virtual void DiscardInput() {}

  // Turns XON/XOFF output flow control off or on again, where the line has it (a serial port).
  // With it on, the line takes a received 0x11 or 0x13 for XON or XOFF and the byte never
  // reaches a read: an echo of such a value is read with it off.
  virtual void SetOutputFlowControl(bool /*on*/) {}
};

}  // namespace vantrel
