#include "link/socket_link.h"

#include "link/bounded_io.h"

namespace vantrel {

void CloseNetworkConnection(System& system, SocketId socket) {
  system.CloseSocket(socket);
  system.StopSockets();
  system.ClearAddressCache();
}

SocketLink::~SocketLink() {
  CloseNetworkConnection(system_, socket_);
}

bool SocketLink::Send(ByteView data) {
  sent_ += data.size();
  return system_.Send(socket_, data, DeviceWriteBound(data.size()));
}

bool SocketLink::FinishSending() {
  return system_.FinishSending(socket_, DeviceWriteBound(sent_));
}

}  // namespace vantrel
