#pragma once

#include "link/network_link.h"
#include "link/system.h"

namespace vantrel {

// The close sequence of every network action: close the socket, stop the socket library, then
// start the system's arp with "-d". Nothing is looked at.
void CloseNetworkConnection(System& system, SocketId socket);

// A connected TCP socket to the printer with the socket library started. Destroying it runs
// CloseNetworkConnection.
class SocketLink final : public NetworkLink {
 public:
  SocketLink(System& system, SocketId socket) : system_(system), socket_(socket) {}
  ~SocketLink() override;

  SocketLink(const SocketLink&) = delete;
  SocketLink& operator=(const SocketLink&) = delete;

  bool Send(ByteView data) override;

 private:
  System& system_;
  SocketId socket_;
};

}  // namespace vantrel
