#pragma once

#include <cstddef>

#include "link/network_link.h"
#include "link/system.h"

namespace vantrel {

// The close sequence of every network action: close the socket, stop the socket library, then
// clear the system's address cache. Nothing is looked at.
void CloseNetworkConnection(System& system, SocketId socket);

// A connected TCP socket to the printer with the socket library started. Each send is bounded
// as a device write of its size is; the end of the sending is bounded by the size of everything
// sent. Destroying it runs CloseNetworkConnection.
class SocketLink final : public NetworkLink {
 public:
  SocketLink(System& system, SocketId socket) : system_(system), socket_(socket) {}
  ~SocketLink() override;

  SocketLink(const SocketLink&) = delete;
  SocketLink& operator=(const SocketLink&) = delete;

  bool Send(ByteView data) override;
  bool FinishSending() override;

 private:
  System& system_;
  SocketId socket_;
  std::size_t sent_ = 0;  // what the printer may still have to take when the sending ends
};

}  // namespace vantrel
