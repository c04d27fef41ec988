#pragma once

#include <chrono>
#include <cstddef>

namespace vantrel {

// The parallel port and USB printers are driven with overlapped reads and writes, since their
// drivers may ignore time-outs: each operation is bounded here, and one the driver will not give
// back ends the port's use.

// How long one read of the parallel port or a USB printer may take.
inline constexpr std::chrono::milliseconds kDeviceReadBound{500};

// How long a cancelled operation may take to come back before it is given up.
inline constexpr std::chrono::milliseconds kCancelGrace{2000};

// How long one write of `length` bytes may take: 2 s, and 1 ms for every 16 bytes, which lets
// a printer take the data at no more than 16 kB/s. The largest download (576 x 65535 dots, about
// 4.7 MB) then has about five minutes.
std::chrono::milliseconds DeviceWriteBound(std::size_t length);

// One overlapped operation the platform has started and that is still pending.
class PendingIo {
 public:
  virtual ~PendingIo() = default;
  // Waits at most `wait` for the operation to come back; true when it has.
  virtual bool WaitFor(std::chrono::milliseconds wait) = 0;
  // Asks the driver to cancel it.
  virtual void Cancel() = 0;
};

enum class IoEnd {
  Finished,   // came back within its bound
  Cancelled,  // cancelled at its bound and came back: what it did by then is its result
  Stuck,      // not even the cancel brought it back: its buffers belong to the driver for good
};

// The state of one opened port's overlapped operations. Once an operation is stuck, the port is
// dead for the rest of the action: later reads and writes queue behind the stuck one, so they are
// not started at all.
class BoundedIo {
 public:
  bool Dead() const { return dead_; }

  // Waits for a pending operation up to its bound, cancels it there and waits the grace time.
  IoEnd Finish(PendingIo& io, std::chrono::milliseconds bound);

 private:
  bool dead_ = false;
};

}  // namespace vantrel
