#pragma once

#include <string_view>

#include "base/bytes.h"
#include "base/ui_variant.h"
#include "link/connections.h"
#include "link/printer_connection.h"
#include "protocol/operations.h"

namespace vantrel {

// The dispatcher's view of the dialog a connection context belongs to.
DeviceContext DeviceContextFor(const ConnectionContext& context);

// --- Device-operation buttons: print stored bitmap, cash drawer, print test, cut ---
//
// They choose the opener by the interface index themselves and leave connection.isNetwork alone.
// Over a port they hand the connection to the dispatcher with their operation code; over
// Ethernet they run their own network code with English texts in both variants: send the
// operation's bytes once, wait 500 ms, release the link (arp -d last).

// The network texts of the device-operation buttons, English in both variants.
NetworkFailureTexts DeviceButtonNetworkTexts();

// "位图打印完成!" / "Bitmap print completed!": the stored-bitmap print's text after a network
// print.
std::string_view StoredBitmapPrintedOverNetworkText(UiVariant variant);

void RunDeviceOperationButton(const ConnectionContext& context, PrinterConnection& connection,
                              DeviceOperation operation);

void OnPrintStoredBitmap(const ConnectionContext& context, PrinterConnection& connection);
void OnCashDrawer(const ConnectionContext& context, PrinterConnection& connection);
void OnPrintTest(const ConnectionContext& context, PrinterConnection& connection);
void OnCutPaper(const ConnectionContext& context, PrinterConnection& connection);

// --- Fixed-command buttons: BID test, feed to next position, feed to cut position ---
//
// Open with OpenSelectedConnection, write or send their fixed bytes once, show their message
// while the connection is still held, then release it.

enum class FixedCommand { BidTest, FeedToNextPosition, FeedToCutPosition };

Bytes FixedCommandBytes(FixedCommand command);
std::string_view FixedCommandDoneText(UiVariant variant, FixedCommand command);

void RunFixedCommandButton(const ConnectionContext& context, PrinterConnection& connection,
                           FixedCommand command);

void OnPrintBidTest(const ConnectionContext& context, PrinterConnection& connection);
void OnFeedToNextPosition(const ConnectionContext& context, PrinterConnection& connection);
void OnFeedToCutPosition(const ConnectionContext& context, PrinterConnection& connection);

}  // namespace vantrel
