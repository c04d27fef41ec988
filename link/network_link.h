#pragma once

#include "base/bytes.h"

namespace vantrel {

// A connected, send-only TCP link to a network printer, with the socket library started.
// Destroying the object is the close sequence: close the socket, stop the socket library, then
// clear the system's address cache, so it forgets the printer's hardware address.
class NetworkLink {
 public:
  virtual ~NetworkLink() = default;

  // These bytes, in as many send calls as the socket takes them, within a bound of their size;
  // true only when every byte was handed over. A partial send is not a send.
  virtual bool Send(ByteView data) = 0;

  // Ends the sending: whatever the printer sent back is read and dropped, the sending side is
  // shut down and the printer is given a bounded time to take what is still queued. True when
  // the data left; false when the printer reset the connection or did not take it in time.
  // Destroying the link afterwards closes it as before.
  virtual bool FinishSending() { return true; }
};

}  // namespace vantrel
