#include "link/read_timeouts.h"

#include <algorithm>
#include <cstdint>

namespace vantrel {
namespace {

using std::chrono::milliseconds;

milliseconds Product(std::uint32_t perByte, std::size_t count, std::uint32_t constant) {
  const std::uint64_t total = std::uint64_t{perByte} * std::uint64_t{count} + constant;
  return milliseconds(static_cast<milliseconds::rep>(total));
}

}  // namespace

ReadBound::ReadBound(const CommTimeouts& timeouts, std::size_t requested) : requested_(requested) {
  if (timeouts.readInterval == kMaxDword && timeouts.readTotalMultiplier == 0 &&
      timeouts.readTotalConstant == 0) {
    mode_ = Mode::Immediate;
    return;
  }
  if (timeouts.readInterval == kMaxDword && timeouts.readTotalMultiplier == kMaxDword &&
      timeouts.readTotalConstant > 0 && timeouts.readTotalConstant < kMaxDword) {
    mode_ = Mode::FirstByteWithin;
    total_ = milliseconds(timeouts.readTotalConstant);
    return;
  }
  if (timeouts.readTotalMultiplier != 0 || timeouts.readTotalConstant != 0)
    total_ = Product(timeouts.readTotalMultiplier, requested, timeouts.readTotalConstant);
  if (timeouts.readInterval != 0)
    interval_ = milliseconds(timeouts.readInterval);
}

std::optional<milliseconds> ReadBound::Remaining(milliseconds elapsed, milliseconds sinceLastByte,
                                                 std::size_t received) const {
  constexpr milliseconds kNow{0};
  if (received >= requested_)
    return kNow;
  switch (mode_) {
    case Mode::Immediate:
      return kNow;
    case Mode::FirstByteWithin:
      if (received > 0)
        return kNow;
      return std::max(kNow, *total_ - elapsed);
    case Mode::Bounded:
      break;
  }
  std::optional<milliseconds> left;
  if (total_)
    left = std::max(kNow, *total_ - elapsed);
  if (interval_ && received > 0) {
    const milliseconds gap = std::max(kNow, *interval_ - sinceLastByte);
    left = left ? std::min(*left, gap) : gap;
  }
  return left;
}

std::optional<milliseconds> WriteBound(const CommTimeouts& timeouts, std::size_t length) {
  if (timeouts.writeTotalMultiplier == 0 && timeouts.writeTotalConstant == 0)
    return std::nullopt;
  return Product(timeouts.writeTotalMultiplier, length, timeouts.writeTotalConstant);
}

}  // namespace vantrel
