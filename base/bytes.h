#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vantrel {

// Bytes as they travel to the printer.
using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

}  // namespace vantrel
