#pragma once

#include <optional>
#include <string>

#include "sim/printer.h"

namespace vantrel::sim {

// A pseudo-terminal as the printer's serial port: we read the master; the slave is what a
// client opens. We hold the slave open ourselves, so that a client closing it does not leave
// the master hung up, and clients may come and go.
class Pty {
 public:
  Pty() = default;
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  ~Pty();

  // Opens a new pseudo-terminal in raw mode on the given line; false with errno set on failure.
  bool Open(const SerialLine& line);
  void Close();

  int Master() const { return master_; }
  // Readable when a client closed the slave (inotify), or -1.
  int ClosedWatch() const { return watch_; }
  // Reads the close events; true when there was one.
  bool ClientClosed() const;
  const std::string& Path() const { return path_; }

  // The line a client set on the slave (read through the master), or nothing when the speed
  // is no standard rate.
  std::optional<SerialLine> ClientLine() const;
  // Discards what was written to the slave and not yet read by anyone.
  void DiscardUnread() const;
  // Discards what a client wrote and we have not read, and restarts the slave's output should
  // an XOFF of ours have stopped it.
  void DiscardReceived() const;

 private:
  int master_ = -1;
  int slave_ = -1;
  int watch_ = -1;
  std::string path_;
};

// Converts printer text in GBK to UTF-8 with iconv; bytes that are no GBK show as \xNN.
std::string GbkToUtf8(std::string_view bytes);

}  // namespace vantrel::sim
