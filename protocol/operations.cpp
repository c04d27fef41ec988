#include "protocol/operations.h"

#include <chrono>

#include "protocol/set_run.h"
#include "ui/control_ids.h"

namespace vantrel {
namespace {

constexpr std::chrono::milliseconds kDirectOperationWait{500};

constexpr std::uint8_t kCashDrawerPulse[] = {0x1B, 0x70, 0x00, 0x32, 0x32};
constexpr std::uint8_t kCutCommand[] = {0x1D, 0x56, 0x42, 0x00};
// The test line ends in line feed, then carriage return.
constexpr std::uint8_t kTestLine[] = {'P', 'r', 'i', 'n', 't', ' ', 't',  'e',
                                      's', 't', ' ', 'O', 'K', '!', 0x0A, 0x0D};

}  // namespace

Bytes DirectOperationCommand(DeviceOperation operation, int slot) {
  switch (operation) {
    case DeviceOperation::PrintStoredBitmap:
      return {0x1C, 0x50, static_cast<std::uint8_t>(slot & 0xFF)};
    case DeviceOperation::OpenCashDrawer:
      return Bytes(std::begin(kCashDrawerPulse), std::end(kCashDrawerPulse));
    case DeviceOperation::PrintTestLine:
      return Bytes(std::begin(kTestLine), std::end(kTestLine));
    case DeviceOperation::Cut:
      return Bytes(std::begin(kCutCommand), std::end(kCutCommand));
    case DeviceOperation::SetOverPort:
    case DeviceOperation::SetOverNetwork:
      break;
  }
  return {};
}

std::string_view StoredBitmapPrintedText(UiVariant variant) {
  return ForVariant(variant, "位图打印完成!", "Bitmap print succeed!");
}

int OperationDispatcher(const DeviceContext& context, PrinterConnection& connection,
                        DeviceOperation operation) {
  switch (operation) {
    case DeviceOperation::SetOverPort:
      return RunSetOverPort(context, connection);
    case DeviceOperation::SetOverNetwork:
      RunSetOverNetwork(context, connection);
      return 0;
    case DeviceOperation::PrintStoredBitmap:
    case DeviceOperation::OpenCashDrawer:
    case DeviceOperation::PrintTestLine:
    case DeviceOperation::Cut:
      break;
  }
  std::unique_ptr<OpenPort> port = std::move(connection.handle);
  const int slot = operation == DeviceOperation::PrintStoredBitmap
                       ? context.controls.GetSelection(ctl::kBitmapSlot)
                       : 0;
  port->Write(DirectOperationCommand(operation, slot));
  context.sleeper.Sleep(kDirectOperationWait);
  if (operation == DeviceOperation::PrintStoredBitmap) {
    context.prompt.ShowMessage(StoredBitmapPrintedText(context.variant));
  }
  port.reset();
  return 0;
}

}  // namespace vantrel
