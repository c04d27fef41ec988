#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/sleeper.h"
#include "base/ui_variant.h"
#include "bitmap/dib.h"
#include "bitmap/file_reader.h"
#include "link/network_link.h"
#include "link/port.h"
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

// The connection a download goes to: a port, or a connected network link.
struct DownloadTarget {
  std::unique_ptr<OpenPort> port;
  std::unique_ptr<NetworkLink> link;
};

// Opens the connection for the interface list's current selection. On failure it has shown the
// message of that connection kind and returns nothing.
using DownloadOpener = std::function<std::optional<DownloadTarget>()>;

// Button 1015: choose one or more files, check each, preview the last accepted one, record its
// path in bitmapPath and enable Download once every chosen file was accepted.
void OnSelectBitmap(const BitmapContext& context, CDib& dib, std::string& bitmapPath);

// Reloads and checks the file, converts it and sends it into the slot between the frame commands.
void DownloadBitmap(const BitmapContext& context, CDib& dib, const std::string& path, int slot,
                    const DownloadOpener& open);

// Button 1018: DownloadBitmap into the slot list's current selection, then enables Print (1027)
// whatever came of it.
void OnDownloadBitmap(const BitmapContext& context, CDib& dib, const std::string& bitmapPath,
                      const DownloadOpener& open);

}  // namespace vantrel
