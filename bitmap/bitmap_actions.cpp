#include "bitmap/bitmap_actions.h"

// Placeholder bodies until the bitmap loader and download land.

namespace vantrel {

void OnSelectBitmap(const BitmapContext&, CDib&, std::string&) {}

void DownloadBitmap(const BitmapContext&, CDib&, const std::string&, int, const DownloadOpener&) {}

void OnDownloadBitmap(const BitmapContext&, CDib&, const std::string&, const DownloadOpener&) {}

}  // namespace vantrel
