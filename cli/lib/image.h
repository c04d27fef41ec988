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

// The largest image the tool decodes: far beyond anything a 576-dot printer needs after scaling,
// and small enough that its grey copy (one byte a pixel) stays modest.
inline constexpr std::uint64_t kMaxImagePixels = 50'000'000;

// Why an image of this size is not decoded (empty, or above kMaxImagePixels), naming the size and
// the limit; nothing when it may be. Every decoder asks this once it has read the image's header
// and before it allocates any pixel buffer.
std::optional<std::string> CheckImageSize(std::uint32_t width, std::uint32_t height);

// The formats the tool reads, told apart by their first bytes.
enum class ImageFormat { Png, Jpeg, Gif, Bmp, Other };
ImageFormat FormatOf(std::span<const std::uint8_t> file);

// The refusal for a file in none of those formats; it names the ones that are read.
std::string UnknownFormatMessage();

// True for a file that starts like a BMP: such files go to the printer the dialog's way.
bool IsBmpFile(std::span<const std::uint8_t> file);

// The grey of a colour (ITU-R BT.601 weights, rounded).
std::uint8_t GreyOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// A grey seen through its opacity on white paper: transparent parts print nothing.
std::uint8_t OnPaper(std::uint8_t grey, std::uint8_t alpha);

// PNG, JPEG, GIF (first frame) and BMP, as grey; transparent parts count as white paper. A
// message when the data is no image it can read or it is too large (CheckImageSize). One
// implementation a platform, with that platform's image libraries; BMP always through
// DecodeBmpImage.
std::variant<GreyImage, std::string> DecodeImage(std::span<const std::uint8_t> file);

// A BMP file as grey, with the pixel rows where the dialog's loader takes them (straight after
// the colour table): uncompressed 1, 4, 8, 16, 24 and 32 bits a pixel (16 and 32 also with
// bit-field masks in the info header), bottom-up or top-down.
std::variant<GreyImage, std::string> DecodeBmpImage(std::span<const std::uint8_t> file);

// The image scaled down (area filter) so that it is at most maxWidth wide, keeping its shape;
// narrower images stay as they are.
GreyImage FitWidth(GreyImage image, std::uint32_t maxWidth);

// Floyd-Steinberg error diffusion to black and white, as a two-colour BMP file: colour entry 0
// black (the printer prints it), entry 1 white.
Bytes DitherToBmp(const GreyImage& image);

}  // namespace vantrel::cli
