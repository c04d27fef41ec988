#include "ui/device_actions.h"

#include "protocol/set_run.h"
#include "ui/control_ids.h"

namespace vantrel {

RunContext RunContextOf(const DeviceContext& context) {
  return {context.variant, context.prompt, context.sleeper};
}

SettingSelection ReadSettingSelection(DialogControls& c) {
  SettingSelection s;
  s.language = c.GetSelection(ctl::kLanguage);
  s.blackMarkPosition = c.GetSelection(ctl::kBlackMarkPosition);
  s.font = c.GetSelection(ctl::kFont);
  s.blackMarkDetection = c.GetSelection(ctl::kBlackMarkDetection);
  s.commandSet = c.GetSelection(ctl::kCommandSet);
  s.paperSensitivity = c.GetSelection(ctl::kPaperSensitivity);
  s.printDirection = c.GetSelection(ctl::kPrintDirection);
  s.codePage = c.GetSelection(ctl::kCodePage);
  s.printDensity = c.GetSelection(ctl::kPrintDensity);
  s.cutter = c.GetSelection(ctl::kCutter);
  s.mechanism = c.GetSelection(ctl::kMechanism);
  s.paperOutReprint = c.GetSelection(ctl::kPaperOutReprint);
  s.carriageReturn = c.GetSelection(ctl::kCarriageReturn);
  s.printWidth = c.GetSelection(ctl::kPrintWidth);
  s.buzzer = c.GetSelection(ctl::kBuzzer);
  s.printSpeed = c.GetSelection(ctl::kPrintSpeed);
  s.sendManufacturer = c.IsChecked(ctl::kManufacturerCheck);
  s.manufacturerText = c.GetText(ctl::kManufacturerText);
  s.sendModel = c.IsChecked(ctl::kModelCheck);
  s.modelText = c.GetText(ctl::kModelText);
  s.targetBaud = c.GetSelection(ctl::kTargetBaud);
  s.targetParity = c.GetSelection(ctl::kTargetParity);
  s.targetDataBits = c.GetSelection(ctl::kTargetDataBits);
  s.targetFlow = c.GetSelection(ctl::kTargetFlow);
  s.sendBluetoothName = c.IsChecked(ctl::kBluetoothNameCheck);
  s.bluetoothNameText = c.GetText(ctl::kBluetoothNameText);
  s.sendBluetoothPassword = c.IsChecked(ctl::kBluetoothPasswordCheck);
  s.bluetoothPasswordText = c.GetText(ctl::kBluetoothPasswordText);
  s.sendRadioAddress = c.IsChecked(ctl::kRadioAddressCheck);
  for (std::size_t i = 0; i < s.radioAddressText.size(); ++i) {
    s.radioAddressText[i] = c.GetText(ctl::kRadioAddressFields[i]);
  }
  s.lcdBacklight = c.GetSelection(ctl::kLcdBacklight);
  s.paperNearEnd = c.GetSelection(ctl::kPaperNearEnd);
  s.printPasses = c.GetSelection(ctl::kPrintPasses);
  s.bidAdjustment = c.GetSelection(ctl::kBidAdjustment);
  s.charsPerLine = c.GetSelection(ctl::kCharsPerLine);
  s.sendStartOffset = c.IsChecked(ctl::kStartOffsetCheck);
  s.startOffsetText = c.GetText(ctl::kStartOffsetText);
  s.sendCutOffset = c.IsChecked(ctl::kCutOffsetCheck);
  s.cutOffsetText = c.GetText(ctl::kCutOffsetText);
  return s;
}

bool RefuseUnsendableSelection(const DeviceContext& context) {
  return RefuseUnsendableSelection(RunContextOf(context), ReadSettingSelection(context.controls));
}

int OperationDispatcher(const DeviceContext& context, PrinterConnection& connection,
                        DeviceOperation operation) {
  const RunContext run = RunContextOf(context);
  switch (operation) {
    case DeviceOperation::SetOverPort:
      RunSetOverPort(run, std::move(connection.handle), ReadSettingSelection(context.controls),
                     context.controls.GetSelection(ctl::kInterface), connection.usbWriteOnly);
      return 1;
    case DeviceOperation::SetOverNetwork:
      RunSetOverNetwork(run, std::move(connection.socket), ReadSettingSelection(context.controls));
      return 0;
    case DeviceOperation::PrintStoredBitmap:
      RunDirectOperation(run, std::move(connection.handle), operation,
                         context.controls.GetSelection(ctl::kBitmapSlot));
      return 0;
    case DeviceOperation::OpenCashDrawer:
    case DeviceOperation::PrintTestLine:
    case DeviceOperation::Cut:
      break;
  }
  RunDirectOperation(run, std::move(connection.handle), operation, 0);
  return 0;
}

}  // namespace vantrel
