#pragma once

#include "link/printer_connection.h"
#include "protocol/operations.h"
#include "ui/device_actions.h"
#include "ui/dialog_connections.h"

namespace vantrel {

// The dispatcher's view of the dialog a connection context belongs to.
DeviceContext DeviceContextFor(const ConnectionContext& context);

// --- Device-operation buttons: print stored bitmap, cash drawer, print test, cut ---
//
// They choose the opener by the interface index themselves and leave connection.isNetwork alone.
// Over a port they hand the connection to the dispatcher with their operation code; over
// Ethernet they run the network code of the operation with English failure texts in both
// variants: send the operation's bytes once, wait 500 ms, release the link (arp -d last).

// The network texts of the device-operation buttons, English in both variants.
NetworkFailureTexts DeviceButtonNetworkTexts();

void RunDeviceOperationButton(const ConnectionContext& context, PrinterConnection& connection,
                              DeviceOperation operation);

void OnPrintStoredBitmap(const ConnectionContext& context, PrinterConnection& connection);
void OnCashDrawer(const ConnectionContext& context, PrinterConnection& connection);
void OnPrintTest(const ConnectionContext& context, PrinterConnection& connection);
void OnCutPaper(const ConnectionContext& context, PrinterConnection& connection);

// --- Fixed-command buttons: BID test, feed to next position, feed to cut position ---
//
// Open with OpenSelectedConnection, then RunFixedCommand over what was opened.

void RunFixedCommandButton(const ConnectionContext& context, PrinterConnection& connection,
                           FixedCommand command);

void OnPrintBidTest(const ConnectionContext& context, PrinterConnection& connection);
void OnFeedToNextPosition(const ConnectionContext& context, PrinterConnection& connection);
void OnFeedToCutPosition(const ConnectionContext& context, PrinterConnection& connection);

}  // namespace vantrel
