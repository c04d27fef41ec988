#include "bitmap/download_command.h"

#include <cstring>
#include <new>

namespace vantrel {
namespace {

std::uint8_t Low(std::uint32_t value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}
std::uint8_t High(std::uint32_t value) {
  return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// to[i] = ~from[i] for the first `count` bytes, eight bytes at a time where it can.
void CopyInverted(const std::uint8_t* from, std::uint8_t* to, std::size_t count) {
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, from + i, sizeof word);
    word = ~word;
    std::memcpy(to + i, &word, sizeof word);
  }
  for (; i < count; ++i)
    to[i] = static_cast<std::uint8_t>(~from[i]);
}

}  // namespace

bool WriteDownloadCommand(const StoredRows& image, int slot, std::span<std::uint8_t> command) {
  if (image.width > kMaxBitmapWidth || image.height > kMaxBitmapHeight)
    return false;
  const std::size_t x = RasterRowBytes(image.width);
  const auto stride = static_cast<std::size_t>(OneBitStride(image.width));
  const std::size_t height = image.height;
  if (command.size() != DownloadCommandSize(image.width, image.height))
    return false;
  if (height > 0 && image.rows.size() / height < stride)
    return false;

  command[0] = 0x1B;
  command[1] = 0xFE;
  command[2] = static_cast<std::uint8_t>(slot & 0xFF);
  command[3] = Low(static_cast<std::uint32_t>(x));
  command[4] = High(static_cast<std::uint32_t>(x));
  command[5] = Low(image.height);
  command[6] = High(image.height);
  if (x == 0)
    return true;

  const std::uint8_t mask = FillMask(image.width);
  const std::uint8_t* stored = image.rows.data();
  std::uint8_t* raster = command.data() + kDownloadHeaderSize;
  // Stored row r (the bottom row first) becomes raster row height - 1 - r.
  for (std::size_t r = 0; r < height; ++r) {
    std::uint8_t* to = raster + (height - 1 - r) * x;
    CopyInverted(stored + r * stride, to, x);
    to[x - 1] &= mask;
  }
  return true;
}

std::optional<Bytes> BuildDownloadCommand(const CDib& dib, int slot) {
  if (!dib.IsLoaded())
    return std::nullopt;
  const BitmapInfoHeader header = dib.InfoHeader();
  if (header.biWidth < 0 || header.biHeight < 0)
    return std::nullopt;
  const StoredRows image{static_cast<std::uint32_t>(header.biWidth),
                         static_cast<std::uint32_t>(header.biHeight), dib.PixelRows()};
  if (image.width > kMaxBitmapWidth || image.height > kMaxBitmapHeight)
    return std::nullopt;

  Bytes command;
  try {
    command.resize(static_cast<std::size_t>(DownloadCommandSize(image.width, image.height)));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (!WriteDownloadCommand(image, slot, command))
    return std::nullopt;
  return command;
}

}  // namespace vantrel
