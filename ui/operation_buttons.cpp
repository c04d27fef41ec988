#include "ui/operation_buttons.h"

#include "ui/control_ids.h"

namespace vantrel {

DeviceContext DeviceContextFor(const ConnectionContext& context) {
  return DeviceContext{context.variant, context.controls, context.prompts, context.system};
}

NetworkFailureTexts DeviceButtonNetworkTexts() {
  return NetworkOpenTexts(UiVariant::English);
}

void RunDeviceOperationButton(const ConnectionContext& context, PrinterConnection& connection,
                              DeviceOperation operation) {
  const InterfaceType index = context.controls.GetSelection(ctl::kInterface);
  const ConnectionKind kind = KindOfInterface(index);
  if (kind == ConnectionKind::Network) {
    std::unique_ptr<NetworkLink> link = ConnectToPrinter(context, DeviceButtonNetworkTexts());
    if (!link)
      return;
    const int slot = operation == DeviceOperation::PrintStoredBitmap
                         ? context.controls.GetSelection(ctl::kBitmapSlot)
                         : 0;
    RunDirectOperationOverNetwork(RunContextOf(DeviceContextFor(context)), std::move(link),
                                  operation, slot);
    return;
  }
  if (!OpenPortOfKind(context, connection, kind))
    return;
  OperationDispatcher(DeviceContextFor(context), connection, operation);
  connection.handle.reset();  // the dispatcher has released it; never left behind
}

void OnPrintStoredBitmap(const ConnectionContext& context, PrinterConnection& connection) {
  RunDeviceOperationButton(context, connection, DeviceOperation::PrintStoredBitmap);
}

void OnCashDrawer(const ConnectionContext& context, PrinterConnection& connection) {
  RunDeviceOperationButton(context, connection, DeviceOperation::OpenCashDrawer);
}

void OnPrintTest(const ConnectionContext& context, PrinterConnection& connection) {
  RunDeviceOperationButton(context, connection, DeviceOperation::PrintTestLine);
}

void OnCutPaper(const ConnectionContext& context, PrinterConnection& connection) {
  RunDeviceOperationButton(context, connection, DeviceOperation::Cut);
}

void RunFixedCommandButton(const ConnectionContext& context, PrinterConnection& connection,
                           FixedCommand command) {
  if (!OpenSelectedConnection(context, connection))
    return;
  const RunContext run = RunContextOf(DeviceContextFor(context));
  if (connection.isNetwork)
    RunFixedCommandOverNetwork(run, std::move(connection.socket), command);
  else
    RunFixedCommand(run, std::move(connection.handle), command);
}

void OnPrintBidTest(const ConnectionContext& context, PrinterConnection& connection) {
  RunFixedCommandButton(context, connection, FixedCommand::BidTest);
}

void OnFeedToNextPosition(const ConnectionContext& context, PrinterConnection& connection) {
  RunFixedCommandButton(context, connection, FixedCommand::FeedToNextPosition);
}

void OnFeedToCutPosition(const ConnectionContext& context, PrinterConnection& connection) {
  RunFixedCommandButton(context, connection, FixedCommand::FeedToCutPosition);
}

}  // namespace vantrel
