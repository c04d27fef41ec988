#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "base/bytes.h"

namespace vantrel::cli {

// An image in 8-bit grey, top row first; 0 is black.
struct GreyImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;
};

// True for a file that starts like a BMP: such files go to the printer the dialog's way.
bool IsBmpFile(std::span<const std::uint8_t> file);

// The most pixels an image may have to be decoded at all: a file's header can claim a size whose
// pixels would not fit in memory.
inline constexpr std::uint64_t kMaxImagePixels = 50'000'000;

// A message naming the size and the limit when an image of that size is not to be decoded. Every
// decoder asks this once it has read the header, before it allocates any pixels.
std::optional<std::string> CheckImageSize(std::uint32_t width, std::uint32_t height);

// PNG, JPEG, GIF (first frame) and BMP, as grey; transparent parts count as white paper. A message
// when the data is no image it can read. The decoder is the platform's (posix/, win32/).
std::variant<GreyImage, std::string> DecodeImage(std::span<const std::uint8_t> file);

// The image scaled down (area filter) so that it is at most maxWidth wide, keeping its shape;
// narrower images stay as they are.
GreyImage FitWidth(const GreyImage& image, std::uint32_t maxWidth);

// Floyd-Steinberg error diffusion to black and white, as a two-colour BMP file: colour entry 0
// black (the printer prints it), entry 1 white.
Bytes DitherToBmp(const GreyImage& image);

}  // namespace vantrel::cli
