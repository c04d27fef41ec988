#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/bytes.h"
#include "bitmap/dib.h"

namespace vantrel {

inline constexpr std::size_t kDownloadHeaderSize = 7;

// x: the bytes of one raster row, eight pixels a byte.
constexpr std::uint32_t RasterRowBytes(std::uint32_t width) {
  return static_cast<std::uint32_t>((std::uint64_t{width} + 7) / 8);
}

// The mask that clears the fill bits beyond the width in a row's last byte; 0xFF when the width
// is a whole number of bytes.
constexpr std::uint8_t FillMask(std::uint32_t width) {
  const std::uint32_t fill = RasterRowBytes(width) * 8 - width;
  return static_cast<std::uint8_t>(0xFF << fill);
}

// An image in the stored form of a 1-bit BMP: `height` rows of OneBitStride(width) bytes, the
// bottom row first.
struct StoredRows {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::span<const std::uint8_t> rows;
};

// 7 + x * height: the length of the download command for this size.
constexpr std::uint64_t DownloadCommandSize(std::uint32_t width, std::uint32_t height) {
  return kDownloadHeaderSize + std::uint64_t{RasterRowBytes(width)} * height;
}

// Writes the download command into `command`, which must be exactly DownloadCommandSize long:
// 0x1B 0xFE, the slot's low byte, x and the height as low/high byte pairs, then the raster rows
// top row first, every bit inverted (colour entry 0 prints), the fill bits cleared. False, with
// nothing written, when the width passes 576, the height 65535, the rows are shorter than the
// size needs, or `command` has the wrong length.
bool WriteDownloadCommand(const StoredRows& image, int slot, std::span<std::uint8_t> command);

// The download command of the loaded image for a slot. Nothing when no image is loaded or it
// cannot be converted (see WriteDownloadCommand), or when the buffer cannot be allocated.
std::optional<Bytes> BuildDownloadCommand(const CDib& dib, int slot);

}  // namespace vantrel
