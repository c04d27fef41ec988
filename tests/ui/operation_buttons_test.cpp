#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/link_world.h"
#include "tests/support/param_name.h"
#include "tests/support/print_case.h"
#include "ui/operation_buttons.h"

namespace vantrel {
namespace {

using namespace test;
using test::PrintTo;
using UiVariant::Chinese;
using UiVariant::English;

using Handler = void (*)(const ConnectionContext&, PrinterConnection&);

const char* const kTestLine = "50 72 69 6E 74 20 74 65 73 74 20 4F 4B 21 0A 0D";

struct ButtonCase {
  std::string name;
  UiVariant variant;
  Handler press;
  InterfaceType interface;
  std::vector<Step> steps;
  std::function<void(LinkWorld&)> prepare = [](LinkWorld&) {};
};

class DeviceOperationButtonTest : public testing::TestWithParam<ButtonCase> {};

TEST_P(DeviceOperationButtonTest, RunsItsStepsAndLeavesNothingOpen) {
  const ButtonCase& c = GetParam();
  LinkWorld w(c.variant);
  w.Select(c.interface);
  c.prepare(w);
  // These buttons never touch the record of the last connection kind.
  const bool isNetworkBefore = c.interface != kNetworkInterface;
  w.connection.isNetwork = isNetworkBefore;
  w.script.Then(c.steps);

  c.press(w.context, w.connection);

  w.script.ExpectDone();
  EXPECT_EQ(w.connection.handle, nullptr);
  EXPECT_EQ(w.connection.socket, nullptr);
  EXPECT_EQ(w.connection.isNetwork, isNetworkBefore);
}

void Slot(LinkWorld& w, int slot) {
  w.controls.SetSelection(ctl::kBitmapSlot, slot);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, DeviceOperationButtonTest,
    testing::Values(
        // Over a port the dispatcher writes, waits, shows its text and closes.
        ButtonCase{"PrintEighthSlotOverCom1Chinese", Chinese, OnPrintStoredBitmap, 0,
                   SerialOpened(Chinese, "COM1") + std::vector<Step>{Write("1C 50 07"), Sleep(500),
                                                                     Message("位图打印完成!"),
                                                                     ClosePort()},
                   [](LinkWorld& w) { Slot(w, 7); }},
        ButtonCase{"PrintFirstSlotOverUsbEnglish", English, OnPrintStoredBitmap, kUsbInterface,
                   UsbOpened(English, kAnsweringUsbPrinter) +
                       std::vector<Step>{Write("1C 50 00"), Sleep(500),
                                         Message("Bitmap print succeed!"), ClosePort()},
                   [](LinkWorld& w) { w.system.usbDevices = {kAnsweringUsbPrinter}; }},
        ButtonCase{"CashDrawerOverLpt1",
                   English,
                   OnCashDrawer,
                   kParallelInterface,
                   {OpenParallel(), Write("1B 70 00 32 32"), Sleep(500), ClosePort()}},
        ButtonCase{"PrintTestOverCom10", Chinese, OnPrintTest, 9,
                   SerialOpened(Chinese, "COM10") +
                       std::vector<Step>{Write(kTestLine), Sleep(500), ClosePort()}},
        ButtonCase{"CutOverUsbChinese", Chinese, OnCutPaper, kUsbInterface,
                   UsbOpened(Chinese, kWriteOnlyUsbPrinter) +
                       std::vector<Step>{Write("1D 56 42 00"), Sleep(500), ClosePort()},
                   [](LinkWorld& w) { w.system.usbDevices = {kWriteOnlyUsbPrinter}; }},

        // Over Ethernet: their own link, one send, 500 ms, the release with arp last, and only
        // the stored-bitmap print says anything, afterwards.
        ButtonCase{"PrintFourthSlotOverEthernetChinese", Chinese, OnPrintStoredBitmap,
                   kNetworkInterface,
                   NetworkOpened() + std::vector<Step>{Send("1C 50 03"), Sleep(500)} +
                       NetworkLinkRelease() + std::vector<Step>{Message("位图打印完成!")},
                   [](LinkWorld& w) { Slot(w, 3); }},
        ButtonCase{"PrintOverEthernetEnglishSaysCompleted", English, OnPrintStoredBitmap,
                   kNetworkInterface,
                   NetworkOpened() + std::vector<Step>{Send("1C 50 00"), Sleep(500)} +
                       NetworkLinkRelease() +
                       std::vector<Step>{Message("Bitmap print completed!")}},
        ButtonCase{"CashDrawerOverEthernet", Chinese, OnCashDrawer, kNetworkInterface,
                   NetworkOpened() + std::vector<Step>{Send("1B 70 00 32 32"), Sleep(500)} +
                       NetworkLinkRelease()},
        ButtonCase{"PrintTestOverEthernetIsSilent", English, OnPrintTest, kNetworkInterface,
                   NetworkOpened() + std::vector<Step>{Send(kTestLine), Sleep(500)} +
                       NetworkLinkRelease()},
        ButtonCase{"CutOverEthernet", English, OnCutPaper, kNetworkInterface,
                   NetworkOpened() + std::vector<Step>{Send("1D 56 42 00"), Sleep(500)} +
                       NetworkLinkRelease()},

        // The printer is found but cannot be opened.
        ButtonCase{"UsbPrinterNotOpened",
                   English,
                   OnCutPaper,
                   kUsbInterface,
                   {ListUsbDevices(), Failing(OpenUsb(kAnsweringUsbPrinter.path)),
                    Message("Failed to open USB port!")},
                   [](LinkWorld& w) { w.system.usbDevices = {kAnsweringUsbPrinter}; }}),
    ParamName<ButtonCase>);

const char* const kFeedToNext = "1D 0C C6 F0 CA BC B4 F2 D3 A1 CE BB D6 C3 0A 0D";
const char* const kFeedToCut =
    "B4 F2 D3 A1 BD E1 CA F8 B2 A2 D7 DF D6 BD B5 BD CB BA 20 2F 20 C7 D0 D6 BD CF DF 0A 0D "
    "1D 56 42 00";

class FixedCommandButtonTest : public testing::TestWithParam<ButtonCase> {};

TEST_P(FixedCommandButtonTest, WritesOnceShowsItsTextThenReleases) {
  const ButtonCase& c = GetParam();
  LinkWorld w(c.variant);
  w.Select(c.interface);
  c.prepare(w);
  w.script.Then(c.steps);

  c.press(w.context, w.connection);

  w.script.ExpectDone();
  EXPECT_EQ(w.connection.handle, nullptr);
  EXPECT_EQ(w.connection.socket, nullptr);
  EXPECT_EQ(w.connection.isNetwork, c.interface == kNetworkInterface);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, FixedCommandButtonTest,
    testing::Values(
        ButtonCase{"BidTestOverCom1Chinese", Chinese, OnPrintBidTest, 0,
                   SerialOpened(Chinese, "COM1") +
                       std::vector<Step>{Write("1B 09 1B 1A FF 1B 15"),
                                         Message("BID调整测试样条打印完成!"), ClosePort()}},
        ButtonCase{"BidTestOverEthernetEnglish", English, OnPrintBidTest, kNetworkInterface,
                   NetworkOpened() +
                       std::vector<Step>{Send("1B 09 1B 1A FF 1B 15"),
                                         Message("print BID adjust demo completed!")} +
                       NetworkLinkRelease()},
        // The message comes while the link is held; arp starts once it is closed.
        ButtonCase{"FeedToNextOverEthernetChinese", Chinese, OnFeedToNextPosition,
                   kNetworkInterface,
                   NetworkOpened() +
                       std::vector<Step>{Send(kFeedToNext), Message("走纸到下一位置并打印完成!")} +
                       NetworkLinkRelease()},
        ButtonCase{"FeedToNextOverLpt1English",
                   English,
                   OnFeedToNextPosition,
                   kParallelInterface,
                   {OpenParallel(), Write(kFeedToNext),
                    Message("print and walk paper to next position completed!"), ClosePort()}},
        ButtonCase{"FeedToCutOverUsbChinese", Chinese, OnFeedToCutPosition, kUsbInterface,
                   UsbOpened(Chinese, kAnsweringUsbPrinter) +
                       std::vector<Step>{Write(kFeedToCut), Message("打印并走纸到切/撕纸位置完成!"),
                                         ClosePort()},
                   [](LinkWorld& w) { w.system.usbDevices = {kAnsweringUsbPrinter}; }},
        ButtonCase{
            "FeedToCutOverEthernetEnglish", English, OnFeedToCutPosition, kNetworkInterface,
            NetworkOpened() +
                std::vector<Step>{Send(kFeedToCut),
                                  Message("print and walk paper to next cut/tear paper position "
                                          "completed!")} +
                NetworkLinkRelease()},
        // A write that did not go out is said, never reported as done.
        ButtonCase{"FailedWriteIsReported",
                   English,
                   OnPrintBidTest,
                   kParallelInterface,
                   {OpenParallel(), Write("1B 09 1B 1A FF 1B 15", false),
                    Message("Command sending failed!"), ClosePort()}}),
    ParamName<ButtonCase>);

// A failed open shows the opener's message once and sends nothing. The drawer, cut, test and
// stored-bitmap buttons open the network themselves and say so in English in both variants;
// the fixed-command buttons open through the dialog's opener, in the dialog's language.
TEST(DeviceButtons, AFailedOpenShowsTheKindsMessageOnly) {
  const std::pair<Handler, bool> buttons[] = {
      {OnCashDrawer, true},        {OnCutPaper, true},      {OnPrintTest, true},
      {OnPrintStoredBitmap, true}, {OnPrintBidTest, false}, {OnFeedToNextPosition, false},
      {OnFeedToCutPosition, false}};
  for (const auto& [press, ownNetwork] : buttons) {
    for (const OpenFailure f : kOpenFailures) {
      for (const UiVariant v : {Chinese, English}) {
        SCOPED_TRACE(std::string(VariantText(v)) + " failure " +
                     std::to_string(static_cast<int>(f)) + (ownNetwork ? " own" : " dialog's"));
        LinkWorld w(v);
        w.Select(OpenFailureInterface(f));
        w.script.Then(OpenFailureSteps(f, v, ownNetwork));
        press(w.context, w.connection);
        w.script.ExpectDone();
        EXPECT_EQ(w.connection.handle, nullptr);
        EXPECT_EQ(w.connection.socket, nullptr);
      }
    }
  }
}

TEST(FixedCommandBytes, HaveTheirDocumentedLengths) {
  EXPECT_EQ(FixedCommandBytes(FixedCommand::BidTest).size(), 7u);
  EXPECT_EQ(FixedCommandBytes(FixedCommand::FeedToNextPosition).size(), 16u);
  EXPECT_EQ(FixedCommandBytes(FixedCommand::FeedToCutPosition).size(), 33u);
}

}  // namespace
}  // namespace vantrel
