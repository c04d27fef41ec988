#pragma once

#include "base/message_prompt.h"
#include "base/sleeper.h"
#include "base/ui_variant.h"
#include "link/printer_connection.h"
#include "protocol/operations.h"
#include "protocol/settings.h"
#include "ui/dialog_controls.h"

namespace vantrel {

// What a device action needs of the dialog it runs in.
struct DeviceContext {
  UiVariant variant;
  DialogControls& controls;
  MessagePrompt& prompt;
  Sleeper& sleeper;
};

RunContext RunContextOf(const DeviceContext& context);

// The snapshot of every setting control of the dialog.
SettingSelection ReadSettingSelection(DialogControls& controls);

// Reads the selection and, when a chosen setting cannot be sent, says so and returns true. Set
// calls it before opening anything, so that a refused run sends no byte at all.
bool RefuseUnsendableSelection(const DeviceContext& context);

// Runs one operation over a freshly opened connection and releases it before returning. Codes 0
// to 4 use connection.handle, code 5 connection.socket; the Set runs read the interface list and
// the settings, the stored-bitmap print the slot list. Returns 1 after a Set run over a port.
int OperationDispatcher(const DeviceContext& context, PrinterConnection& connection,
                        DeviceOperation operation);

}  // namespace vantrel
