#pragma once

#include <memory>
#include <string_view>

#include "base/bytes.h"
#include "base/message_prompt.h"
#include "base/sleeper.h"
#include "base/ui_variant.h"
#include "link/network_link.h"
#include "link/port.h"

namespace vantrel {

// What a device run needs besides its connection: the variant (texts and a few waits), the
// message box and the waits.
struct RunContext {
  UiVariant variant;
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

// "位图打印完成!" / "Bitmap print completed!": the stored-bitmap print's text after a network
// print.
std::string_view StoredBitmapPrintedOverNetworkText(UiVariant variant);

// "位图打印失败!" / "Bitmap print failed!": the stored-bitmap print's command did not go out.
std::string_view StoredBitmapPrintFailedText(UiVariant variant);

// "命令发送失败!" / "Command sending failed!": a device button's command did not go out.
std::string_view CommandNotSentText(UiVariant variant);

// A direct operation (codes 1 to 4) over an open port: one write, 500 ms, the stored-bitmap
// print's message while the port is still held, then the port is released. A write that did not
// go out is said: the print's failure text, or CommandNotSentText for the others. True when the
// command went out.
bool RunDirectOperation(const RunContext& context, std::unique_ptr<OpenPort> port,
                        DeviceOperation operation, int slot);

// A direct operation over a network link: one send, 500 ms, the end of the sending, the link is
// released (arp -d last), then the stored-bitmap print's network text, or the failure as above.
bool RunDirectOperationOverNetwork(const RunContext& context, std::unique_ptr<NetworkLink> link,
                                   DeviceOperation operation, int slot);

// The fixed-command buttons: BID test, feed to next position, feed to cut position. Their bytes
// go out once, their message is shown while the connection is still held, then it is released.
enum class FixedCommand { BidTest, FeedToNextPosition, FeedToCutPosition };

Bytes FixedCommandBytes(FixedCommand command);
std::string_view FixedCommandDoneText(UiVariant variant, FixedCommand command);

// CommandNotSentText instead of the done text when the bytes did not go out; true when they did.
bool RunFixedCommand(const RunContext& context, std::unique_ptr<OpenPort> port,
                     FixedCommand command);
bool RunFixedCommandOverNetwork(const RunContext& context, std::unique_ptr<NetworkLink> link,
                                FixedCommand command);

}  // namespace vantrel
