#pragma once

#include <chrono>
#include <memory>

#include "link/connections.h"
#include "link/port.h"
#include "link/system.h"

namespace vantrel {

// How long a read of a network printer asked for its state waits for the answer. A printer
// answers its real-time status at once; one that does not within this bound counts as silent.
inline constexpr std::chrono::milliseconds kNetworkAnswerBound{1000};

// A connected TCP socket used as a port that is read as well as written: for the one command
// that asks the printer something. Every other network action sends only (SocketLink). Writes
// are bounded as a device write of their size is, each read by `readBound`. Destroying it runs
// CloseNetworkConnection.
class SocketPort final : public OpenPort {
 public:
  // closeSequence: destroying it runs the whole close sequence of a network action; without it,
  // only the socket is closed and the socket library stopped (a sweep asks hundreds of hosts).
  SocketPort(System& system, SocketId socket, std::chrono::milliseconds readBound,
             bool closeSequence = true)
      : system_(system), socket_(socket), readBound_(readBound), closeSequence_(closeSequence) {}
  ~SocketPort() override;

  SocketPort(const SocketPort&) = delete;
  SocketPort& operator=(const SocketPort&) = delete;

  bool Write(ByteView data) override;
  // Nothing and not ok once the printer reset or closed the connection.
  PortRead Read(std::size_t maxBytes) override;
  std::optional<std::size_t> ClearErrorsAndCountReceived() override { return std::nullopt; }

 private:
  System& system_;
  SocketId socket_;
  std::chrono::milliseconds readBound_;
  bool closeSequence_;
  bool closed_ = false;
};

// Connects as ConnectToPrinter does (same texts, same clean-up on failure) and hands the socket
// over as a port read with `readBound`.
std::unique_ptr<OpenPort> ConnectForAnswers(const LinkContext& context, const Ipv4Endpoint& printer,
                                            const NetworkFailureTexts& texts,
                                            std::chrono::milliseconds readBound);

}  // namespace vantrel
