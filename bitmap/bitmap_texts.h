#pragma once

#include <cstdint>
#include <string_view>

#include "base/ui_variant.h"
#include "bitmap/dib.h"

namespace vantrel {

// Every text the bitmap actions show, in one variant's language.
struct BitmapTexts {
  // The selection's two-colour message follows the file's path directly.
  std::string_view notTwoColourAfterPath;
  // The download's two-colour message, without the path.
  std::string_view notTwoColour;
  std::string_view tooWide;
  std::string_view noBitmap;
  // Shown after a port download, and as the second message after a network one.
  std::string_view downloadDone;
  std::string_view networkDownloadDone;
  // Shown instead of both when a write or send of the download did not go out.
  std::string_view downloadFailed;
  // The file dialog's filter: "description|pattern||".
  std::string_view fileFilter;
};

const BitmapTexts& BitmapTextsFor(UiVariant variant);

// The load's warning for a problem ("This isn't a bitmap file!" in both variants for NotBitmap).
std::string_view LoadProblemText(UiVariant variant, LoadProblem problem);

// What the file dialog of the selection is asked for, apart from the variant's filter.
inline constexpr std::string_view kBitmapDefaultExtension = "bmp";
inline constexpr std::string_view kBitmapInitialName = ".bmp";
// Explorer style, multiple selection, read-only box hidden, overwrite prompt; no
// file-must-exist flag, so a typed name of a missing file comes back.
inline constexpr std::uint32_t kBitmapDialogFlags = 0x80206;

}  // namespace vantrel
