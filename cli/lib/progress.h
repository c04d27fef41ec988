#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace vantrel::cli {

// The line of a terminal progress bar for a transfer: a bar, the share done, the bytes, the rate
// and the time left, e.g.
//   [##########..........]  50%  10.5/21.1 KiB  1.0 KiB/s  0:10 left
// The rate and the time left appear once some time has passed.
std::string ProgressLine(std::size_t done, std::size_t total, std::chrono::milliseconds elapsed,
                         std::size_t barWidth = 24);

}  // namespace vantrel::cli
