#include "link/socket_port.h"

#include "link/bounded_io.h"
#include "link/socket_link.h"

namespace vantrel {

SocketPort::~SocketPort() {
  if (closeSequence_) {
    CloseNetworkConnection(system_, socket_);
    return;
  }
  system_.CloseSocket(socket_);
  system_.StopSockets();
}

bool SocketPort::Write(ByteView data) {
  if (closed_)
    return false;
  return system_.Send(socket_, data, DeviceWriteBound(data.size()));
}

PortRead SocketPort::Read(std::size_t maxBytes) {
  if (closed_)
    return {};
  std::optional<Bytes> got = system_.Receive(socket_, maxBytes, readBound_);
  if (!got) {
    closed_ = true;
    return {};
  }
  return {true, std::move(*got)};
}

std::unique_ptr<OpenPort> ConnectForAnswers(const LinkContext& context, const Ipv4Endpoint& printer,
                                            const NetworkFailureTexts& texts,
                                            std::chrono::milliseconds readBound) {
  const std::optional<SocketId> socket = ConnectSocket(context, printer, texts);
  if (!socket)
    return nullptr;
  return std::make_unique<SocketPort>(context.system, *socket, readBound);
}

}  // namespace vantrel
