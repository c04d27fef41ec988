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

void DownloadOverPort(const DownloadContext& context, std::unique_ptr<OpenPort> port,
                      ByteView command) {
  port->Write(SetupBegin);
  WriteToPort(*port, command);
  context.sleeper.Sleep(kPortSettleWait);
  port->Write(SetupEnd);
  context.prompts.ShowMessage(BitmapTextsFor(context.variant).downloadDone);
  port.reset();  // released once the message has been dismissed
}

void DownloadOverNetwork(const DownloadContext& context, std::unique_ptr<NetworkLink> link,
                         ByteView command) {
  link->Send(SetupBegin);
  link->Send(command);
  context.sleeper.Sleep(kNetworkSettleWait);
  link->Send(SetupEnd);
  link.reset();  // socket closed, socket library stopped, "arp -d"
  const BitmapTexts& texts = BitmapTextsFor(context.variant);
  context.prompts.ShowMessage(texts.networkDownloadDone);
  context.prompts.ShowMessage(texts.downloadDone);
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
  if (target->port) {
    DownloadOverPort(context, std::move(target->port), *command);
  } else if (target->link) {
    DownloadOverNetwork(context, std::move(target->link), *command);
  }
  return true;
}

}  // namespace vantrel
