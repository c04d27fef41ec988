#include "link/bounded_io.h"

namespace vantrel {

std::chrono::milliseconds DeviceWriteBound(std::size_t length) {
  return std::chrono::milliseconds(2000 + static_cast<std::chrono::milliseconds::rep>(length / 16));
}

IoEnd BoundedIo::Finish(PendingIo& io, std::chrono::milliseconds bound) {
  if (io.WaitFor(bound))
    return IoEnd::Finished;
  io.Cancel();
  if (io.WaitFor(kCancelGrace))
    return IoEnd::Cancelled;
  dead_ = true;
  return IoEnd::Stuck;
}

}  // namespace vantrel
