#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/sleeper.h"
#include "base/ui_variant.h"
#include "bitmap/bitmap_prompts.h"
#include "bitmap/dib.h"
#include "bitmap/file_reader.h"
#include "link/network_link.h"
#include "link/port.h"

namespace vantrel {

// What checking and downloading a bitmap need: the variant (texts), the user, the waits and the
// files.
struct DownloadContext {
  UiVariant variant;
  BitmapPrompts& prompts;
  Sleeper& sleeper;
  FileReader& files;
};

// The connection a download goes to: a port, or a connected network link.
struct DownloadTarget {
  std::unique_ptr<OpenPort> port;
  std::unique_ptr<NetworkLink> link;
};

// Opens the connection a download goes to. On failure it has shown the message of that connection
// kind and returns nothing. It is called only once the file has passed every check.
using DownloadOpener = std::function<std::optional<DownloadTarget>()>;

// One file the user chose: loads it and checks that it can be downloaded. False when it cannot:
// the load's warning, the file-error report or the selection's refusal has been shown.
bool AcceptChosenBitmap(const DownloadContext& context, CDib& dib, const std::string& path);

// Reloads and checks the file, converts it and sends it into the slot between the frame commands.
// False only when the file could not be opened or read: the file-error report then ends the
// user's action. Every other outcome, a refusal or a failed open included, has been shown; a
// write or send that did not go out shows the download's failure text, never its done text.
// `delivered`, when given, tells whether every byte of the download went out.
bool DownloadBitmap(const DownloadContext& context, CDib& dib, const std::string& path, int slot,
                    const DownloadOpener& open, bool* delivered = nullptr);

}  // namespace vantrel
