#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/ui_variant.h"
#include "bitmap/dib.h"

namespace vantrel {

// Why a loaded image cannot go to the printer, in the order the tests run.
enum class BitmapRefusal {
  NotTwoColour,  // the colour count in biClrUsed is not exactly 2 (the bit count is not looked at)
  TooWide,       // biWidth, read as unsigned, passes 576 (so a negative width is too wide)
};

std::optional<BitmapRefusal> CheckPrintable(const BitmapInfoHeader& header);

// The download's own test, after CheckPrintable: the command carries the rows bottom row first
// and counts them in two bytes, so a top-down file or one taller than 65535 rows is refused
// (TopDownRows, TooTall). The selection has no height test and accepts both.
std::optional<LoadProblem> CheckDownloadHeight(const BitmapInfoHeader& header);

// The selection's message for a refusal: the two-colour text follows the file's path directly.
std::string SelectionRefusalMessage(UiVariant variant, BitmapRefusal refusal,
                                    std::string_view path);

// The download's message for a refusal, without the path.
std::string_view DownloadRefusalMessage(UiVariant variant, BitmapRefusal refusal);

}  // namespace vantrel
