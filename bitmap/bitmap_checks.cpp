#include "bitmap/bitmap_checks.h"

#include "bitmap/bitmap_texts.h"
#include "bitmap/download_command.h"

namespace vantrel {

std::optional<BitmapRefusal> CheckPrintable(const BitmapInfoHeader& header) {
  if (header.biClrUsed != 2)
    return BitmapRefusal::NotTwoColour;
  if (static_cast<std::uint32_t>(header.biWidth) > kMaxBitmapWidth)
    return BitmapRefusal::TooWide;
  return std::nullopt;
}

std::optional<LoadProblem> CheckDownloadHeight(const BitmapInfoHeader& header) {
  if (header.biHeight < 0)
    return LoadProblem::TopDownRows;
  if (static_cast<std::uint32_t>(header.biHeight) > kMaxBitmapHeight)
    return LoadProblem::TooTall;
  return std::nullopt;
}

std::string SelectionRefusalMessage(UiVariant variant, BitmapRefusal refusal,
                                    std::string_view path) {
  const BitmapTexts& texts = BitmapTextsFor(variant);
  if (refusal == BitmapRefusal::TooWide)
    return std::string(texts.tooWide);
  std::string message(path);
  message += texts.notTwoColourAfterPath;
  return message;
}

std::string_view DownloadRefusalMessage(UiVariant variant, BitmapRefusal refusal) {
  const BitmapTexts& texts = BitmapTextsFor(variant);
  return refusal == BitmapRefusal::TooWide ? texts.tooWide : texts.notTwoColour;
}

}  // namespace vantrel
