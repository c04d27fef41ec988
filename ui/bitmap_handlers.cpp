#include "ui/bitmap_handlers.h"

#include "bitmap/bitmap_texts.h"
#include "ui/control_ids.h"

namespace vantrel {

DownloadContext DownloadContextOf(const BitmapContext& context) {
  return {context.variant, context.prompts, context.sleeper, context.files};
}

void OnSelectBitmap(const BitmapContext& context, CDib& dib, std::string& bitmapPath) {
  const WaitCursor waitCursor(context.prompts);
  const BitmapTexts& texts = BitmapTextsFor(context.variant);
  const FileDialogRequest request{kBitmapDefaultExtension, kBitmapInitialName, texts.fileFilter,
                                  kBitmapDialogFlags};
  const std::optional<std::vector<std::string>> chosen = context.prompts.ChooseFiles(request);
  if (!chosen || chosen->empty())
    return;

  for (const std::string& path : *chosen) {
    if (!AcceptChosenBitmap(DownloadContextOf(context), dib, path))
      return;
    bitmapPath = path;
    // An image the system cannot draw is still accepted; the frame just stays empty.
    context.prompts.DrawPreview(path, ctl::kPreviewFrame);
  }
  context.controls.Enable(ctl::kDownloadBitmap, true);
}

void OnDownloadBitmap(const BitmapContext& context, CDib& dib, const std::string& bitmapPath,
                      const DownloadOpener& open) {
  const int slot = context.controls.GetSelection(ctl::kBitmapSlot);
  if (DownloadBitmap(DownloadContextOf(context), dib, bitmapPath, slot, open))
    context.controls.Enable(ctl::kPrintStoredBitmap, true);
}

}  // namespace vantrel
