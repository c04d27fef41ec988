#pragma once

#include <string>

#include "base/sleeper.h"
#include "base/ui_variant.h"
#include "bitmap/bitmap_actions.h"
#include "bitmap/dib.h"
#include "bitmap/file_reader.h"
#include "ui/dialog_controls.h"
#include "ui/prompts.h"

namespace vantrel {

// What the bitmap handlers need of the dialog they run in.
struct BitmapContext {
  UiVariant variant;
  DialogControls& controls;
  UserPrompts& prompts;
  Sleeper& sleeper;
  FileReader& files;
};

DownloadContext DownloadContextOf(const BitmapContext& context);

// Button 1015: choose one or more files, check each, preview the last accepted one, record its
// path in bitmapPath and enable Download once every chosen file was accepted.
void OnSelectBitmap(const BitmapContext& context, CDib& dib, std::string& bitmapPath);

// Button 1018: DownloadBitmap into the slot list's current selection, then enables Print (1027)
// whatever came of it, unless the file could not be read.
void OnDownloadBitmap(const BitmapContext& context, CDib& dib, const std::string& bitmapPath,
                      const DownloadOpener& open);

}  // namespace vantrel
