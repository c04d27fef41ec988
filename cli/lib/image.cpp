#include "cli/lib/image.h"

#include <stb_image.h>
#include <stb_image_resize.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace vantrel::cli {
namespace {

void PutLittle(Bytes& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

}  // namespace

bool IsBmpFile(std::span<const std::uint8_t> file) {
  return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

std::variant<GreyImage, std::string> DecodeImage(std::span<const std::uint8_t> file) {
  if (file.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return std::string("the file is too large");
  int width = 0;
  int height = 0;
  int channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> data(
      stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels,
                            2),
      stbi_image_free);
  if (!data || width <= 0 || height <= 0)
    return std::string("not an image this tool can read (") + stbi_failure_reason() + ")";
  GreyImage image{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), {}};
  const std::size_t count = std::size_t{image.width} * image.height;
  image.pixels.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned grey = data.get()[2 * i];
    const unsigned alpha = data.get()[2 * i + 1];
    image.pixels[i] = static_cast<std::uint8_t>((grey * alpha + 255u * (255u - alpha)) / 255u);
  }
  return image;
}

GreyImage FitWidth(const GreyImage& image, std::uint32_t maxWidth) {
  if (image.width <= maxWidth)
    return image;
  GreyImage fitted;
  fitted.width = maxWidth;
  fitted.height = std::max<std::uint32_t>(
      1, static_cast<std::uint32_t>(
             std::lround(static_cast<double>(image.height) * maxWidth / image.width)));
  fitted.pixels.resize(std::size_t{fitted.width} * fitted.height);
  stbir_resize_uint8(image.pixels.data(), static_cast<int>(image.width),
                     static_cast<int>(image.height), 0, fitted.pixels.data(),
                     static_cast<int>(fitted.width), static_cast<int>(fitted.height), 0, 1);
  return fitted;
}

Bytes DitherToBmp(const GreyImage& image) {
  const std::uint32_t w = image.width;
  const std::uint32_t h = image.height;
  const std::size_t stride = (std::size_t{w} + 31) / 32 * 4;
  // Error diffusion over a working copy; each row's errors go to this row and the next.
  std::vector<float> level(image.pixels.begin(), image.pixels.end());
  std::vector<std::uint8_t> rows(stride * h, 0);
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const std::size_t at = std::size_t{y} * w + x;
      const float old = level[at];
      const bool white = old >= 128.0f;
      const float error = old - (white ? 255.0f : 0.0f);
      if (x + 1 < w)
        level[at + 1] += error * 7.0f / 16.0f;
      if (y + 1 < h) {
        if (x > 0)
          level[at + w - 1] += error * 3.0f / 16.0f;
        level[at + w] += error * 5.0f / 16.0f;
        if (x + 1 < w)
          level[at + w + 1] += error * 1.0f / 16.0f;
      }
      if (white) {
        // Stored bottom row first; bit 7 is the leftmost pixel; 1 selects colour entry 1.
        rows[std::size_t{h - 1 - y} * stride + x / 8] |=
            static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
  }
  constexpr std::uint32_t kHeaders = 14 + 40 + 8;
  Bytes file;
  file.reserve(kHeaders + rows.size());
  file.push_back('B');
  file.push_back('M');
  PutLittle(file, kHeaders + rows.size(), 4);
  PutLittle(file, 0, 4);
  PutLittle(file, kHeaders, 4);
  PutLittle(file, 40, 4);
  PutLittle(file, w, 4);
  PutLittle(file, h, 4);
  PutLittle(file, 1, 2);  // planes
  PutLittle(file, 1, 2);  // bits a pixel
  PutLittle(file, 0, 4);  // no compression
  PutLittle(file, rows.size(), 4);
  PutLittle(file, 2835, 4);  // 72 dots an inch
  PutLittle(file, 2835, 4);
  PutLittle(file, 2, 4);  // two colours used
  PutLittle(file, 2, 4);
  PutLittle(file, 0x00000000, 4);  // black
  PutLittle(file, 0x00FFFFFF, 4);  // white
  file.insert(file.end(), rows.begin(), rows.end());
  return file;
}

}  // namespace vantrel::cli
