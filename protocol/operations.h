#pragma once

#include "base/bytes.h"
#include "base/sleeper.h"
#include "base/ui_variant.h"
#include "link/printer_connection.h"
#include "ui/dialog_controls.h"
#include "ui/prompts.h"

namespace vantrel {

// What a device action needs of the dialog it runs in.
struct DeviceContext {
  UiVariant variant;
  DialogControls& controls;
  MessagePrompt& prompt;
  Sleeper& sleeper;
};

enum class DeviceOperation : int {
  SetOverPort = 0,
  PrintStoredBitmap = 1,
  OpenCashDrawer = 2,
  PrintTestLine = 3,
  Cut = 4,
  SetOverNetwork = 5,
};

// The bytes of a direct operation (codes 1 to 4); slot is the stored-bitmap slot for code 1.
Bytes DirectOperationCommand(DeviceOperation operation, int slot);

// "位图打印完成!" / "Bitmap print succeed!": the stored-bitmap print's message over a port.
std::string_view StoredBitmapPrintedText(UiVariant variant);

// Runs one operation over a freshly opened connection and releases it before returning. Codes 0
// to 4 use connection.handle, code 5 connection.socket. Returns 1 after a Set run over a port.
int OperationDispatcher(const DeviceContext& context, PrinterConnection& connection,
                        DeviceOperation operation);

}  // namespace vantrel
