#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

#include "link/system.h"

namespace vantrel {

// How long one read call may still wait under a connection's time-outs, the way the Windows
// communications driver bounds ReadFile:
// - interval MAXDWORD with both totals 0: return at once with whatever has arrived;
// - interval MAXDWORD, multiplier MAXDWORD, a constant between: return at once when bytes are
//   waiting, else wait up to the constant for the first byte and return as soon as it comes;
// - otherwise the total bound is multiplier x bytes asked for + constant (unused when both are
//   0), and the interval bound (unused when 0) is the longest gap allowed between two bytes,
//   counted only once the first byte has come. A read ends at whichever bound comes first, or
//   when every byte asked for has come.
class ReadBound {
 public:
  ReadBound(const CommTimeouts& timeouts, std::size_t requested);

  // The longest the read may still wait for more bytes: zero to end it now, nothing for no
  // bound at all. `elapsed` counts from the start of the call, `sinceLastByte` from the last
  // byte received (meaningful once `received` is above zero).
  std::optional<std::chrono::milliseconds> Remaining(std::chrono::milliseconds elapsed,
                                                     std::chrono::milliseconds sinceLastByte,
                                                     std::size_t received) const;

 private:
  enum class Mode { Immediate, FirstByteWithin, Bounded };
  Mode mode_ = Mode::Bounded;
  std::size_t requested_ = 0;
  std::optional<std::chrono::milliseconds> total_;
  std::optional<std::chrono::milliseconds> interval_;
};

// The bound of one write call of `length` bytes: multiplier x length + constant, nothing when
// both are 0.
std::optional<std::chrono::milliseconds> WriteBound(const CommTimeouts& timeouts,
                                                    std::size_t length);

}  // namespace vantrel
