#include "bitmap/bitmap_actions.h"

#include <chrono>

#include "bitmap/bitmap_checks.h"
#include "bitmap/bitmap_texts.h"
#include "bitmap/download_command.h"
#include "link/connections.h"
#include "protocol/settings.h"

namespace vantrel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPortSettleWait{100};
constexpr milliseconds kNetworkSettleWait{1000};

// The writes stop at the first one that did not go out: after a cut-short image the printer
// would take whatever follows as image data.
bool DownloadOverPort(const DownloadContext& context, std::unique_ptr<OpenPort> port,
                      ByteView command) {
  bool sent = port->Write(SetupBegin) && WriteToPort(*port, command);
  if (sent) {
    context.sleeper.Sleep(kPortSettleWait);
    sent = port->Write(SetupEnd);
  }
  const BitmapTexts& texts = BitmapTextsFor(context.variant);
  context.prompts.ShowMessage(sent ? texts.downloadDone : texts.downloadFailed);
  port.reset();  // released once the message has been dismissed
  return sent;
}

bool DownloadOverNetwork(const DownloadContext& context, std::unique_ptr<NetworkLink> link,
                         ByteView command) {
  bool sent = link->Send(SetupBegin) && link->Send(command);
  if (sent) {
    context.sleeper.Sleep(kNetworkSettleWait);
    sent = link->Send(SetupEnd);
  }
  // Handed to the socket is not yet at the printer: the download is done once it has taken all.
  sent = link->FinishSending() && sent;
  link.reset();  // socket closed, socket library stopped, "arp -d"
  const BitmapTexts& texts = BitmapTextsFor(context.variant);
  if (!sent) {
    context.prompts.ShowMessage(texts.downloadFailed);
    return false;
  }
  context.prompts.ShowMessage(texts.networkDownloadDone);
  context.prompts.ShowMessage(texts.downloadDone);
  return true;
}

}  // namespace

bool AcceptChosenBitmap(const DownloadContext& context, CDib& dib, const std::string& path) {
  if (dib.LoadFile(path, context.files, context.prompts, context.variant) != DibLoad::Loaded)
    return false;
  if (const std::optional<BitmapRefusal> refusal = CheckPrintable(dib.InfoHeader())) {
    context.prompts.ShowMessage(SelectionRefusalMessage(context.variant, *refusal, path));
    return false;
  }
  return true;
}

bool DownloadBitmap(const DownloadContext& context, CDib& dib, const std::string& path, int slot,
                    const DownloadOpener& open, bool* delivered) {
  if (delivered != nullptr)
    *delivered = false;
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
  if (const std::optional<LoadProblem> height = CheckDownloadHeight(dib.InfoHeader())) {
    context.prompts.ShowWarning(LoadProblemText(context.variant, *height));
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
  bool sent = false;
  if (target->port) {
    sent = DownloadOverPort(context, std::move(target->port), *command);
  } else if (target->link) {
    sent = DownloadOverNetwork(context, std::move(target->link), *command);
  }
  if (delivered != nullptr)
    *delivered = sent;
  return true;
}

}  // namespace vantrel
