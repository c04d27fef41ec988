#include "ui/device_actions.h"

#include "protocol/catalogue.h"
#include "protocol/set_run.h"
#include "ui/control_ids.h"
#include "ui/option_lists.h"

namespace vantrel {

RunContext RunContextOf(const DeviceContext& context) {
  return {context.variant, context.prompt, context.sleeper};
}

SettingSelection ReadSettingSelection(DialogControls& c) {
  SettingSelection s;
  for (const int id : ListControlIds()) {
    if (const std::optional<SettingList> list = SettingListOfControl(id))
      s.*SelectionFieldOf(*list) = c.GetSelection(id);
  }
  for (const TextSettingControls& controls : TextSettingControlList()) {
    const SettingRow& row = RowOf(controls.key);
    s.*row.flag = c.IsChecked(controls.checkBox);
    s.*row.text = c.GetText(controls.field);
  }
  s.sendRadioAddress = c.IsChecked(ctl::kRadioAddressCheck);
  for (std::size_t i = 0; i < s.radioAddressText.size(); ++i) {
    s.radioAddressText[i] = c.GetText(ctl::kRadioAddressFields[i]);
  }
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
