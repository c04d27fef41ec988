#pragma once

#include <optional>

#include "bitmap/bitmap_actions.h"
#include "link/connections.h"
#include "link/printer_connection.h"

namespace vantrel {

// The connection a bitmap download goes to, for the interface list's current selection: a serial
// port or USB through their openers, LPT1 exactly as OpenParallelPort opens it, or a network link
// of its own (connection.socket stays untouched) with the network opener's texts. On failure the
// message of that connection kind has been shown and nothing is returned. connection.isNetwork is
// left alone; a USB discovery still updates connection.usbWriteOnly.
std::optional<DownloadTarget> OpenDownloadTarget(const ConnectionContext& context,
                                                 PrinterConnection& connection);

}  // namespace vantrel
