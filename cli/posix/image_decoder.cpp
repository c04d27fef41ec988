// The image decoder on POSIX machines.
#include <stb_image.h>

#include <limits>
#include <memory>

#include "cli/lib/image.h"

namespace vantrel::cli {

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

}  // namespace vantrel::cli
