#include "cli/lib/image.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace vantrel::cli {
namespace {

void PutLittle(Bytes& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

// The old pixels one new pixel covers along one direction: from `first` on, with the share of
// each in the new pixel (the shares add up to one).
struct Coverage {
  std::size_t first = 0;
  std::vector<double> weights;
};

std::vector<Coverage> CoverageOf(std::uint32_t from, std::uint32_t to) {
  const double scale = static_cast<double>(from) / to;
  std::vector<Coverage> all(to);
  for (std::uint32_t i = 0; i < to; ++i) {
    const double low = i * scale;
    const double high = std::min<double>(from, (i + 1) * scale);
    Coverage& coverage = all[i];
    coverage.first = static_cast<std::size_t>(low);
    for (std::size_t old = coverage.first; old < from && static_cast<double>(old) < high; ++old) {
      const double part = std::min<double>(high, static_cast<double>(old + 1)) -
                          std::max<double>(low, static_cast<double>(old));
      coverage.weights.push_back(part / (high - low));
    }
    if (coverage.weights.empty())  // rounding past the last pixel
      coverage = {from - 1, {1.0}};
  }
  return all;
}

}  // namespace

bool IsBmpFile(std::span<const std::uint8_t> file) {
  return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

std::optional<std::string> CheckImageSize(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0)
    return std::string("the image has no pixels");
  const std::uint64_t pixels = std::uint64_t{width} * height;
  if (pixels <= kMaxImagePixels)
    return std::nullopt;
  return "the image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels (" +
         std::to_string(pixels) + "), more than the " + std::to_string(kMaxImagePixels) +
         " this tool decodes";
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
  // An area filter: each new pixel is the mean of the old ones it covers, parts of a pixel counted
  // by the part covered. Rows are filtered as they come, so only one row of sums is held.
  const std::vector<Coverage> columns = CoverageOf(image.width, fitted.width);
  const std::vector<Coverage> rows = CoverageOf(image.height, fitted.height);
  std::vector<double> sums(fitted.width);
  for (std::uint32_t y = 0; y < fitted.height; ++y) {
    std::fill(sums.begin(), sums.end(), 0.0);
    for (std::size_t r = 0; r < rows[y].weights.size(); ++r) {
      const std::uint8_t* row = &image.pixels[(rows[y].first + r) * image.width];
      for (std::uint32_t x = 0; x < fitted.width; ++x) {
        double across = 0.0;
        for (std::size_t c = 0; c < columns[x].weights.size(); ++c)
          across += columns[x].weights[c] * row[columns[x].first + c];
        sums[x] += rows[y].weights[r] * across;
      }
    }
    for (std::uint32_t x = 0; x < fitted.width; ++x) {
      fitted.pixels[std::size_t{y} * fitted.width + x] =
          static_cast<std::uint8_t>(std::clamp(std::lround(sums[x]), 0L, 255L));
    }
  }
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
