#pragma once

#include "link/network_link.h"
#include "link/system.h"

namespace vantrel {

// A connected TCP socket to the printer with the socket library started. Destroying it is the
// close sequence of every network action: close the socket, stop the socket library, then start
// the system's arp with "-d".
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
