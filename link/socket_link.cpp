#include "link/socket_link.h"

namespace vantrel {

SocketLink::~SocketLink() {
  system_.CloseSocket(socket_);
  system_.StopSockets();
  system_.StartArpClear();
}

bool SocketLink::Send(ByteView data) {
  return system_.Send(socket_, data);
}

}  // namespace vantrel
