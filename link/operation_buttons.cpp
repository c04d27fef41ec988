#include "link/operation_buttons.h"

#include <chrono>

#include "ui/control_ids.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

constexpr auto kNetworkOperationWait = 500ms;

// 0x1B 0x09, the alignment command 0x1B 0x1A with 0xFF, 0x1B 0x15.
constexpr std::uint8_t kBidTest[] = {0x1B, 0x09, 0x1B, 0x1A, 0xFF, 0x1B, 0x15};
// Feed to the next print start (0x1D 0x0C), "起始打印位置" in GBK, LF CR.
constexpr std::uint8_t kFeedToNextPosition[] = {0x1D, 0x0C, 0xC6, 0xF0, 0xCA, 0xBC, 0xB4, 0xF2,
                                                0xD3, 0xA1, 0xCE, 0xBB, 0xD6, 0xC3, 0x0A, 0x0D};
// "打印结束并走纸到撕 / 切纸线" in GBK, LF CR, then the cut command 0x1D 0x56 0x42 0x00.
constexpr std::uint8_t kFeedToCutPosition[] = {0xB4, 0xF2, 0xD3, 0xA1, 0xBD, 0xE1, 0xCA, 0xF8, 0xB2,
                                               0xA2, 0xD7, 0xDF, 0xD6, 0xBD, 0xB5, 0xBD, 0xCB, 0xBA,
                                               0x20, 0x2F, 0x20, 0xC7, 0xD0, 0xD6, 0xBD, 0xCF, 0xDF,
                                               0x0A, 0x0D, 0x1D, 0x56, 0x42, 0x00};

void RunOverOwnNetworkLink(const ConnectionContext& context, DeviceOperation operation) {
  std::unique_ptr<NetworkLink> link = ConnectToPrinter(context, DeviceButtonNetworkTexts());
  if (!link)
    return;
  const int slot = operation == DeviceOperation::PrintStoredBitmap
                       ? context.controls.GetSelection(ctl::kBitmapSlot)
                       : 0;
  link->Send(DirectOperationCommand(operation, slot));
  context.system.Sleep(kNetworkOperationWait);
  link.reset();
  if (operation == DeviceOperation::PrintStoredBitmap)
    context.prompts.ShowMessage(StoredBitmapPrintedOverNetworkText(context.variant));
}

}  // namespace

DeviceContext DeviceContextFor(const ConnectionContext& context) {
  return DeviceContext{context.variant, context.controls, context.prompts, context.system};
}

NetworkFailureTexts DeviceButtonNetworkTexts() {
  return NetworkOpenTexts(UiVariant::English);
}

std::string_view StoredBitmapPrintedOverNetworkText(UiVariant variant) {
  return ForVariant(variant, "位图打印完成!", "Bitmap print completed!");
}

void RunDeviceOperationButton(const ConnectionContext& context, PrinterConnection& connection,
                              DeviceOperation operation) {
  const InterfaceType index = context.controls.GetSelection(ctl::kInterface);
  const ConnectionKind kind = KindOfInterface(index);
  if (kind == ConnectionKind::Network) {
    RunOverOwnNetworkLink(context, operation);
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

Bytes FixedCommandBytes(FixedCommand command) {
  switch (command) {
    case FixedCommand::BidTest:
      return Bytes(std::begin(kBidTest), std::end(kBidTest));
    case FixedCommand::FeedToNextPosition:
      return Bytes(std::begin(kFeedToNextPosition), std::end(kFeedToNextPosition));
    case FixedCommand::FeedToCutPosition:
      break;
  }
  return Bytes(std::begin(kFeedToCutPosition), std::end(kFeedToCutPosition));
}

std::string_view FixedCommandDoneText(UiVariant variant, FixedCommand command) {
  switch (command) {
    case FixedCommand::BidTest:
      return ForVariant(variant, "BID调整测试样条打印完成!", "print BID adjust demo completed!");
    case FixedCommand::FeedToNextPosition:
      return ForVariant(variant, "走纸到下一位置并打印完成!",
                        "print and walk paper to next position completed!");
    case FixedCommand::FeedToCutPosition:
      break;
  }
  return ForVariant(variant, "打印并走纸到切/撕纸位置完成!",
                    "print and walk paper to next cut/tear paper position completed!");
}

void RunFixedCommandButton(const ConnectionContext& context, PrinterConnection& connection,
                           FixedCommand command) {
  if (!OpenSelectedConnection(context, connection))
    return;
  const Bytes bytes = FixedCommandBytes(command);
  if (connection.isNetwork)
    connection.socket->Send(bytes);
  else
    connection.handle->Write(bytes);
  context.prompts.ShowMessage(FixedCommandDoneText(context.variant, command));
  if (connection.isNetwork)
    CloseNetworkConnection(connection);
  else
    connection.handle.reset();
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
