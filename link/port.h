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

  // Exactly one write call carrying exactly these bytes. True when the call reported success;
  // the count written is not compared with the length.
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
};

}  // namespace vantrel
