#include "protocol/operations.h"

#include <chrono>

namespace vantrel {
namespace {

constexpr std::chrono::milliseconds kDirectOperationWait{500};

constexpr std::uint8_t kCashDrawerPulse[] = {0x1B, 0x70, 0x00, 0x32, 0x32};
constexpr std::uint8_t kCutCommand[] = {0x1D, 0x56, 0x42, 0x00};
// The test line ends in line feed, then carriage return.
constexpr std::uint8_t kTestLine[] = {'P', 'r', 'i', 'n', 't', ' ', 't',  'e',
                                      's', 't', ' ', 'O', 'K', '!', 0x0A, 0x0D};

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

std::string_view StoredBitmapPrintedOverNetworkText(UiVariant variant) {
  return ForVariant(variant, "位图打印完成!", "Bitmap print completed!");
}

std::string_view StoredBitmapPrintFailedText(UiVariant variant) {
  return ForVariant(variant, "位图打印失败!", "Bitmap print failed!");
}

std::string_view CommandNotSentText(UiVariant variant) {
  return ForVariant(variant, "命令发送失败!", "Command sending failed!");
}

namespace {

// The stored-bitmap print always says how it went; the other operations only when they failed.
void ReportDirectOperation(const RunContext& context, DeviceOperation operation, bool sent,
                           std::string_view printedText) {
  if (operation == DeviceOperation::PrintStoredBitmap)
    context.prompt.ShowMessage(sent ? printedText : StoredBitmapPrintFailedText(context.variant));
  else if (!sent)
    context.prompt.ShowMessage(CommandNotSentText(context.variant));
}

}  // namespace

bool RunDirectOperation(const RunContext& context, std::unique_ptr<OpenPort> port,
                        DeviceOperation operation, int slot) {
  const bool sent = port->Write(DirectOperationCommand(operation, slot));
  context.sleeper.Sleep(kDirectOperationWait);
  ReportDirectOperation(context, operation, sent, StoredBitmapPrintedText(context.variant));
  port.reset();
  return sent;
}

bool RunDirectOperationOverNetwork(const RunContext& context, std::unique_ptr<NetworkLink> link,
                                   DeviceOperation operation, int slot) {
  bool sent = link->Send(DirectOperationCommand(operation, slot));
  context.sleeper.Sleep(kDirectOperationWait);
  sent = link->FinishSending() && sent;
  link.reset();
  ReportDirectOperation(context, operation, sent,
                        StoredBitmapPrintedOverNetworkText(context.variant));
  return sent;
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

bool RunFixedCommand(const RunContext& context, std::unique_ptr<OpenPort> port,
                     FixedCommand command) {
  const bool sent = port->Write(FixedCommandBytes(command));
  context.prompt.ShowMessage(sent ? FixedCommandDoneText(context.variant, command)
                                  : CommandNotSentText(context.variant));
  port.reset();
  return sent;
}

bool RunFixedCommandOverNetwork(const RunContext& context, std::unique_ptr<NetworkLink> link,
                                FixedCommand command) {
  bool sent = link->Send(FixedCommandBytes(command));
  sent = link->FinishSending() && sent;
  context.prompt.ShowMessage(sent ? FixedCommandDoneText(context.variant, command)
                                  : CommandNotSentText(context.variant));
  link.reset();
  return sent;
}

}  // namespace vantrel
