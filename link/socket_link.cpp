#include "link/socket_link.h"

namespace vantrel {

void CloseNetworkConnection(System& system, SocketId socket) {
  system.CloseSocket(socket);
  system.StopSockets();
  system.StartArpClear();
}

SocketLink::~SocketLink() {
  CloseNetworkConnection(system_, socket_);
}

bool SocketLink::Send(ByteView data) {
  return system_.Send(socket_, data);
}

}  // namespace vantrel
