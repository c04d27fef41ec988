#include "bitmap/bitmap_actions.h"

#include <chrono>

#include "bitmap/bitmap_checks.h"
#include "bitmap/bitmap_texts.h"
#include "bitmap/download_command.h"
#include "link/connections.h"
#include "protocol/settings.h"
#include "ui/control_ids.h"

namespace vantrel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPortSettleWait{100};
constexpr milliseconds kNetworkSettleWait{1000};

// The wait cursor from construction until the end of the scope.
class WaitCursor {
 public:
  explicit WaitCursor(UserPrompts& prompts) : prompts_(prompts) { prompts_.BeginWaitCursor(); }
  ~WaitCursor() { prompts_.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  UserPrompts& prompts_;
};

void DownloadOverPort(const BitmapContext& context, std::unique_ptr<OpenPort> port,
                      ByteView command) {
  port->Write(kSetupBegin);
  WriteToPort(*port, command);
  context.sleeper.Sleep(kPortSettleWait);
  port->Write(kSetupEnd);
  context.prompts.ShowMessage(BitmapTextsFor(context.variant).downloadDone);
  port.reset();  // released once the message has been dismissed
}

void DownloadOverNetwork(const BitmapContext& context, std::unique_ptr<NetworkLink> link,
                         ByteView command) {
  link->Send(kSetupBegin);
  link->Send(command);
  context.sleeper.Sleep(kNetworkSettleWait);
  link->Send(kSetupEnd);
  link.reset();  // socket closed, socket library stopped, "arp -d"
  const BitmapTexts& texts = BitmapTextsFor(context.variant);
  context.prompts.ShowMessage(texts.networkDownloadDone);
  context.prompts.ShowMessage(texts.downloadDone);
}

// The whole download. False only when the file could not be opened or read: the file-error
// report then ends the user's action.
bool RunDownload(const BitmapContext& context, CDib& dib, const std::string& path, int slot,
                 const DownloadOpener& open) {
  const BitmapTexts& texts = BitmapTextsFor(context.variant);
  if (path.empty()) {
    context.prompts.ShowMessage(texts.noBitmap);
    return true;
  }
  const DibLoad load = dib.LoadFile(path, context.files, context.prompts, context.variant);
  if (load == DibLoad::FileError)
    return false;
  if (load != DibLoad::Loaded)
    return true;
  if (const std::optional<BitmapRefusal> refusal = CheckPrintable(dib.InfoHeader())) {
    context.prompts.ShowMessage(DownloadRefusalMessage(context.variant, *refusal));
    return true;
  }

  const WaitCursor waitCursor(context.prompts);
  const std::optional<Bytes> command = BuildDownloadCommand(dib, slot);
  if (!command) {
    // The load has checked the rows and the tests the size; only memory can be missing here.
    context.prompts.ShowWarning(LoadProblemText(context.variant, LoadProblem::OutOfMemory));
    return true;
  }
  std::optional<DownloadTarget> target = open();
  if (!target)
    return true;
  if (target->port) {
    DownloadOverPort(context, std::move(target->port), *command);
  } else if (target->link) {
    DownloadOverNetwork(context, std::move(target->link), *command);
  }
  return true;
}

}  // namespace

void OnSelectBitmap(const BitmapContext& context, CDib& dib, std::string& bitmapPath) {
  const WaitCursor waitCursor(context.prompts);
  const BitmapTexts& texts = BitmapTextsFor(context.variant);
  const FileDialogRequest request{kBitmapDefaultExtension, kBitmapInitialName, texts.fileFilter,
                                  kBitmapDialogFlags};
  const std::optional<std::vector<std::string>> chosen = context.prompts.ChooseFiles(request);
  if (!chosen || chosen->empty())
    return;

  for (const std::string& path : *chosen) {
    if (dib.LoadFile(path, context.files, context.prompts, context.variant) != DibLoad::Loaded)
      return;
    if (const std::optional<BitmapRefusal> refusal = CheckPrintable(dib.InfoHeader())) {
      context.prompts.ShowMessage(SelectionRefusalMessage(context.variant, *refusal, path));
      return;
    }
    bitmapPath = path;
    // An image the system cannot draw is still accepted; the frame just stays empty.
    context.prompts.DrawPreview(path, ctl::kPreviewFrame);
  }
  context.controls.Enable(ctl::kDownloadBitmap, true);
}

void DownloadBitmap(const BitmapContext& context, CDib& dib, const std::string& path, int slot,
                    const DownloadOpener& open) {
  RunDownload(context, dib, path, slot, open);
}

void OnDownloadBitmap(const BitmapContext& context, CDib& dib, const std::string& bitmapPath,
                      const DownloadOpener& open) {
  const int slot = context.controls.GetSelection(ctl::kBitmapSlot);
  if (RunDownload(context, dib, bitmapPath, slot, open))
    context.controls.Enable(ctl::kPrintStoredBitmap, true);
}

}  // namespace vantrel
