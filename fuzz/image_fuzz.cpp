// libFuzzer target: any bytes as the file of `vantrel download`, through the decoders, the fit to
// the paper, the dither and the download command the converted image becomes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <variant>

#include "bitmap/bitmap_checks.h"
#include "bitmap/bitmap_prompts.h"
#include "bitmap/dib.h"
#include "bitmap/download_command.h"
#include "cli/lib/image.h"
#include "fuzz/memory_files.h"

namespace vantrel {
namespace {

using fuzz::MemoryFiles;
using fuzz::Require;

// The converted image must load without a word.
class SilentPrompts : public BitmapPrompts {
 public:
  void ShowMessage(std::string_view) override { std::abort(); }
  void ShowWarning(std::string_view) override { std::abort(); }
  void ReportFileError(std::string_view, FileErrorCause) override { std::abort(); }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

}  // namespace
}  // namespace vantrel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantrel;
  using namespace vantrel::cli;
  auto decoded = DecodeImage(std::span<const std::uint8_t>(data, size));
  if (const auto* message = std::get_if<std::string>(&decoded)) {
    Require(!message->empty());
    return 0;
  }
  GreyImage& image = std::get<GreyImage>(decoded);
  const std::uint64_t pixels = std::uint64_t{image.width} * image.height;
  Require(pixels > 0 && pixels <= kMaxImagePixels && image.pixels.size() == pixels);

  const std::uint32_t width = image.width;
  const GreyImage fitted = FitWidth(std::move(image), kMaxBitmapWidth);
  Require(fitted.width == std::min(width, kMaxBitmapWidth) && fitted.height > 0);
  Require(fitted.pixels.size() == std::size_t{fitted.width} * fitted.height);
  if (fitted.height > kMaxBitmapHeight)
    return 0;  // refused by the tool as too tall for the command

  // The dithered file is a two-colour BMP the dialog's own loader and checks accept.
  const Bytes bmp = DitherToBmp(fitted);
  MemoryFiles files(bmp);
  SilentPrompts prompts;
  CDib dib;
  Require(dib.LoadFile("converted.bmp", files, prompts, UiVariant::English) == DibLoad::Loaded);
  Require(!CheckPrintable(dib.InfoHeader()).has_value());
  const int slot = static_cast<int>(size % 8);
  const std::optional<Bytes> command = BuildDownloadCommand(dib, slot);
  Require(command.has_value());
  const std::uint32_t x = RasterRowBytes(fitted.width);
  Require(command->size() == DownloadCommandSize(fitted.width, fitted.height));
  Require((*command)[0] == 0x1B && (*command)[1] == 0xFE && (*command)[2] == slot);
  Require((*command)[3] == x && (*command)[4] == 0);
  Require((*command)[5] == (fitted.height & 0xFF) && (*command)[6] == fitted.height >> 8);

  // Error diffusion never carries more than half the range, so black always prints a dot and
  // white never does; the fill bits stay clear.
  for (std::uint32_t y = 0; y < fitted.height; ++y) {
    const std::uint8_t* row = command->data() + kDownloadHeaderSize + std::size_t{y} * x;
    Require((row[x - 1] & static_cast<std::uint8_t>(~FillMask(fitted.width))) == 0);
    for (std::uint32_t col = 0; col < fitted.width; ++col) {
      const std::uint8_t grey = fitted.pixels[std::size_t{y} * fitted.width + col];
      const bool dot = (row[col / 8] >> (7 - col % 8)) & 1;
      if (grey == 0)
        Require(dot);
      if (grey == 255)
        Require(!dot);
    }
  }
  return 0;
}
