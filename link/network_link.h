#pragma once

#include "base/bytes.h"

namespace vantrel {

// A connected, send-only TCP link to a network printer, with the socket library started.
// Destroying the object is the close sequence: close the socket, stop the socket library, then
// start the system's "arp -d" to forget the printer's hardware address.
class NetworkLink {
 public:
  virtual ~NetworkLink() = default;

  // Exactly one send call with these bytes and no flags; true when the call sent something.
  virtual bool Send(ByteView data) = 0;
};

}  // namespace vantrel
